#include "WordDocument.h"

#include "AnsiText.h"
#include "AsciiCase.h"
#include "Exceptions.h"
#include "WordXml.h"

#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <set>
#include <unordered_set>

const char* const NotProtectedText = "Deze methode of eigenschap is niet beschikbaar omdat het document niet is beveiligd.";
const char* const AlreadyProtectedText = "Deze methode of eigenschap is niet beschikbaar omdat het document al is beveiligd.";
const char* const WrongPasswordText = "Het wachtwoord is onjuist.";
const char* const ShownText = "Deze methode of eigenschap is niet beschikbaar omdat het document al is getoond.";

namespace {

const char* const WordNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
const char* const SettingsContentType = "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml";

// Settings that come before w:documentProtection in the order the schema prescribes.
const std::set<std::string> BeforeProtection = {
    "w:writeProtection", "w:view", "w:zoom", "w:removePersonalInformation", "w:removeDateAndTime",
    "w:doNotDisplayPageBoundaries", "w:displayBackgroundShape", "w:printPostScriptOverText",
    "w:printFractionalCharacterWidth", "w:printFormsData", "w:embedTrueTypeFonts", "w:embedSystemFonts",
    "w:saveSubsetFonts", "w:saveFormsData", "w:mirrorMargins", "w:alignBordersAndEdges",
    "w:bordersDoNotSurroundHeader", "w:bordersDoNotSurroundFooter", "w:gutterAtTop", "w:hideSpellingErrors",
    "w:hideGrammaticalErrors", "w:activeWritingStyle", "w:proofState", "w:formsDesign", "w:attachedTemplate",
    "w:linkStyles", "w:stylePaneFormatFilter", "w:stylePaneSortMethod", "w:documentType", "w:mailMerge",
    "w:revisionView", "w:trackRevisions", "w:doNotTrackMoves", "w:doNotTrackFormatting"};

// A stretch of the story: the text of a w:t element, or (Text null) one mark.
struct TPiece {
    pugi::xml_node Text;
    std::size_t Start;
    std::size_t Length;
};

struct TStory {
    std::string Text;
    std::vector<TPiece> Pieces;

    void Add(pugi::xml_node t)
    {
        const std::size_t start = Text.size();
        Text += t.text().get();
        Pieces.push_back({t, start, Text.size() - start});
    }
    void Mark(char c)
    {
        Pieces.push_back({pugi::xml_node(), Text.size(), 1});
        Text += c;
    }
};

// Only the text of a paragraph's story, appended to Text.
struct TStoryText {
    std::string& Text;
    void Add(pugi::xml_node t) { Text += t.text().get(); }
    void Mark(char c) { Text += c; }
};

// A byte's bit in a set of bytes folded to 64 bits, letters in lower case.
inline std::uint64_t ByteBit(char c) { return std::uint64_t(1) << (static_cast<unsigned char>(AsciiLower(c)) & 63); }

// The length of a paragraph's story and the bytes it holds.
struct TStoryLength {
    std::size_t Size = 0;
    std::uint64_t Bytes = 0;
    void Add(pugi::xml_node t)
    {
        for (const char* c = t.text().get(); *c; ++c, ++Size)
            Bytes |= ByteBit(*c);
    }
    void Mark(char c)
    {
        ++Size;
        Bytes |= ByteBit(c);
    }
};

// What an element is to a paragraph's story.
enum class TStoryPart { Inside, Skipped, Text, Tab, Mark };

// Told apart by the letter after "w:" first, as the walk meets every element of a paragraph.
TStoryPart StoryPartOf(const char* name)
{
    if (name[0] != 'w' || name[1] != ':')
        return TStoryPart::Inside;
    const char* n = name + 2;
    const auto is = [n](const char* local) { return std::strcmp(n, local) == 0; };
    switch (n[0]) {
    case 'b': return is("br") ? TStoryPart::Mark : TStoryPart::Inside;
    case 'c': return is("cr") ? TStoryPart::Mark : TStoryPart::Inside;
    case 'd': return is("del") || is("delText") ? TStoryPart::Skipped : is("drawing") ? TStoryPart::Mark : TStoryPart::Inside;
    case 'f': return is("fldChar") ? TStoryPart::Skipped : is("fldSimple") ? TStoryPart::Mark : TStoryPart::Inside;
    case 'i': return is("instrText") ? TStoryPart::Skipped : TStoryPart::Inside;
    case 'n': return is("noBreakHyphen") ? TStoryPart::Mark : TStoryPart::Inside;
    case 'o': return is("object") ? TStoryPart::Mark : TStoryPart::Inside;
    case 'p': return is("pPr") ? TStoryPart::Skipped : is("pict") || is("ptab") ? TStoryPart::Mark : TStoryPart::Inside;
    case 'r': return is("rPr") ? TStoryPart::Skipped : TStoryPart::Inside;
    case 's': return is("sym") ? TStoryPart::Mark : TStoryPart::Inside;
    case 't': return is("t") ? TStoryPart::Text : is("tab") ? TStoryPart::Tab : is("txbxContent") ? TStoryPart::Skipped : TStoryPart::Inside;
    default: return TStoryPart::Inside;
    }
}

// Walks the story of a paragraph into story: its w:t texts (Add) and its marks (Mark).
template <class Story>
void WalkParagraph(pugi::xml_node node, Story& story)
{
    for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element)
            continue;
        switch (StoryPartOf(n.name())) {
        case TStoryPart::Skipped: break;
        case TStoryPart::Text: story.Add(n); break;
        case TStoryPart::Tab: story.Mark('\t'); break;
        case TStoryPart::Mark: story.Mark('\x01'); break;
        case TStoryPart::Inside: WalkParagraph(n, story); break;
        }
    }
}

bool IsTrue(const char* value)
{
    const std::string v = AsciiLowerStr(value);
    return v == "1" || v == "true" || v == "on";
}

// The piece of a w:t element that holds position inside it (not at one of its ends), or null.
TPiece* TextAround(TStory& story, std::size_t position)
{
    for (TPiece& piece : story.Pieces)
        if (piece.Text && position > piece.Start && position < piece.Start + piece.Length)
            return &piece;
    return nullptr;
}

// Cuts the text of piece off at position, keeping what comes before it.
void CutTextAt(const TStory& story, TPiece& piece, std::size_t position)
{
    piece.Length = position - piece.Start;
    SetText(piece.Text, std::string_view(story.Text).substr(piece.Start, piece.Length));
}

// Splits the w:t element around position so that a w:t starts or ends there; the story's pieces
// follow, as a new reading of the paragraph would give them.
void SplitTextAt(TStory& story, std::size_t position)
{
    TPiece* piece = TextAround(story, position);
    if (!piece)
        return;
    const TPiece rest{piece->Text.parent().insert_child_after("w:t", piece->Text), position, piece->Start + piece->Length - position};
    SetText(rest.Text, std::string_view(story.Text).substr(rest.Start, rest.Length));
    CutTextAt(story, *piece, position);
    story.Pieces.insert(story.Pieces.begin() + (piece - story.Pieces.data()) + 1, rest);
}

bool IsContent(pugi::xml_node n) { return n.type() == pugi::node_element && !Is(n, "w:rPr"); }

// Makes child the first content of a run of its own (a new run after its old one when needed).
pugi::xml_node SplitRunBefore(pugi::xml_node child)
{
    pugi::xml_node run = child.parent();
    bool first = true;
    for (pugi::xml_node n = child.previous_sibling(); n; n = n.previous_sibling())
        first = first && !IsContent(n);
    if (first)
        return run;
    pugi::xml_node split = NewRun(run.parent(), run.next_sibling(), run.child("w:rPr"));
    for (pugi::xml_node n = child; n;) {
        const pugi::xml_node next = n.next_sibling();
        split.append_move(n);
        n = next;
    }
    return split;
}

// Moves what follows child in its run into a new run after it.
void SplitRunAfter(pugi::xml_node child)
{
    if (!child.next_sibling())
        return;
    pugi::xml_node run = child.parent();
    pugi::xml_node split = NewRun(run.parent(), run.next_sibling(), run.child("w:rPr"));
    for (pugi::xml_node n = child.next_sibling(); n;) {
        const pugi::xml_node next = n.next_sibling();
        split.append_move(n);
        n = next;
    }
}

// The elements named name below a node, in document order, found by the library's own walk.
struct TElementsNamed : pugi::xml_tree_walker {
    const char* Name;
    std::vector<pugi::xml_node> Found;
    explicit TElementsNamed(const char* name) : Name(name) {}
    bool for_each(pugi::xml_node& n) override
    {
        if (IsName(n.name(), Name) && n.type() == pugi::node_element)
            Found.push_back(n);
        return true;
    }
};

// The default text of a new text form field: five en spaces.
const std::string FieldResult = "\u2002\u2002\u2002\u2002\u2002";

// What a new text form field's five runs hold, its name left empty.
const std::string FieldXml = "<w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"\"/><w:enabled/>"
                             "<w:calcOnExit w:val=\"0\"/><w:textInput/></w:ffData></w:fldChar>"
                             "<w:instrText xml:space=\"preserve\"> FORMTEXT </w:instrText>"
                             "<w:fldChar w:fldCharType=\"separate\"/><w:t xml:space=\"preserve\">"
    + FieldResult + "</w:t><w:fldChar w:fldCharType=\"end\"/>";

} // namespace

// The main story's paragraphs and where each starts, kept while only this class changes the text.
// A paragraph's text is read from its XML when needed; the starts are sums of the paragraphs'
// sizes in a binary indexed tree, so that a change of one paragraph moves the others in log time.
struct TStoryIndex {
    std::vector<pugi::xml_node> Nodes;
    std::vector<std::uint64_t> Bytes; // what each paragraph's text holds (ByteBit), so a search passes by most
    std::vector<std::size_t> Tree; // Tree[k - 1] sums the sizes of paragraphs k - (k & -k) .. k - 1
    std::size_t Size = 0;
    pugi::xml_node Body;
    std::unordered_set<std::string> FieldNames; // the document's own, read at the first new field
    bool FieldNamesRead = false;
    int NextField = 1;
    std::array<pugi::xml_node, 5> LastField; // what the runs of the field made last hold ([3]: its result's w:t)
    TStory Read;     // the paragraph read last for a change, its room kept
    std::string Hay; // room for the text of a paragraph searched

    explicit TStoryIndex(pugi::xml_node body) : Body(body)
    {
        // Each paragraph is measured where the walk finds it; the sizes then become the tree.
        AddParagraphs(body);
        for (std::size_t k = 1; k <= Tree.size(); ++k)
            if (const std::size_t up = k + (k & (~k + 1)); up <= Tree.size())
                Tree[up - 1] += Tree[k - 1];
    }

    void AddParagraphs(pugi::xml_node node)
    {
        for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling()) {
            if (n.type() != pugi::node_element || Is(n, "w:txbxContent"))
                continue;
            if (!Is(n, "w:p")) {
                AddParagraphs(n);
                continue;
            }
            TStoryLength length;
            WalkParagraph(n, length);
            length.Mark('\r');
            Nodes.push_back(n);
            Bytes.push_back(length.Bytes);
            Tree.push_back(length.Size);
            Size += length.Size;
        }
    }

    std::size_t Count() const { return Nodes.size(); }
    std::size_t SizeOf(std::size_t i) const { return Start(i + 1) - Start(i); }

    // Where paragraph i starts.
    std::size_t Start(std::size_t i) const
    {
        std::size_t sum = 0;
        for (std::size_t k = i; k > 0; k -= k & (~k + 1))
            sum += Tree[k - 1];
        return sum;
    }

    // The paragraph that holds position (the last one for the end).
    std::size_t Locate(std::size_t position) const
    {
        // The most paragraphs whose sizes together do not pass position.
        std::size_t k = 0, step = 1;
        while (step * 2 <= Tree.size())
            step *= 2;
        for (; step > 0; step /= 2)
            if (k + step <= Tree.size() && Tree[k + step - 1] <= position) {
                k += step;
                position -= Tree[k - 1];
            }
        return Nodes.empty() ? 0 : std::min(k, Nodes.size() - 1);
    }

    // Paragraph i read into Read.
    TStory& Paragraph(std::size_t i)
    {
        Read.Text.clear();
        Read.Pieces.clear();
        WalkParagraph(Nodes[i], Read);
        Read.Mark('\r');
        return Read;
    }
    void AppendText(std::size_t i, std::string& text) const
    {
        TStoryText story{text};
        WalkParagraph(Nodes[i], story);
        text += '\r';
    }

    // Paragraph i measures length after a change; the ones after it move.
    void Refresh(std::size_t i, const TStoryLength& length)
    {
        const std::size_t before = SizeOf(i);
        Bytes[i] = length.Bytes;
        for (std::size_t k = i + 1; k <= Tree.size(); k += k & (~k + 1))
            Tree[k - 1] = Tree[k - 1] + length.Size - before;
        Size = Size + length.Size - before;
    }

    std::string NewFieldName()
    {
        if (!FieldNamesRead) {
            TElementsNamed data("w:ffData");
            Body.traverse(data);
            for (pugi::xml_node d : data.Found)
                for (pugi::xml_node n : d.children("w:name"))
                    FieldNames.insert(n.attribute("w:val").value());
        }
        FieldNamesRead = true;
        // The numbers only go up, so a name made here is not made again: only the names the
        // document held are looked up.
        for (;; ++NextField) {
            std::string name = "Tekst" + std::to_string(NextField);
            if (!FieldNames.count(name)) {
                ++NextField;
                return name;
            }
        }
    }
};

TWordDocument::~TWordDocument() = default;

void TWordDocument::RequireContent() const
{
    if (released_)
        throw Exception(ShownText);
}

void TWordDocument::Release()
{
    package_ = TWordPackage();
    main_.reset();
    settings_.reset();
    story_.reset();
    layout_ = {};
    MailMerge.HasDataSource = false;
    MailMerge.Data = {};
    mainBytes_ = 0;
    selStart_ = selEnd_ = 0;
    selAtEnd_ = false;
    released_ = true;
}

TStoryIndex& TWordDocument::Story() const
{
    RequireContent();
    if (!story_) {
        story_ = std::make_unique<TStoryIndex>(Body());
        // A body the merge made without form-field data holds no names to pass by.
        story_->FieldNamesRead = layout_.NoFieldData;
    }
    return *story_;
}

pugi::xml_document& TWordDocument::Main()
{
    RequireContent();
    story_.reset();
    layout_ = {};
    return main_;
}

const pugi::xml_document& TWordDocument::Main() const
{
    RequireContent();
    return main_;
}

std::unique_ptr<TWordDocument> TWordDocument::Open(const QString& Path)
{
    std::unique_ptr<TWordDocument> doc(new TWordDocument);
    doc->package_ = TWordPackage::Load(Path);
    doc->Name = QStringToAnsi(QFileInfo(Path).fileName());
    doc->Caption = doc->Name;
    doc->Path = Path;
    doc->mainPart_ = doc->package_.MainPartName();
    ParseXmlPart(doc->main_, doc->package_.Part(doc->mainPart_), doc->mainPart_);
    doc->mainBytes_ = doc->package_.Part(doc->mainPart_).size();
    if (!doc->Body())
        throw Exception("Het bestand " + doc->Name + " is geen Word-document");
    doc->package_.SetPart(doc->mainPart_, std::string());
    doc->ReadSettings();
    return doc;
}

TWordDocument::TWordDocument(std::string name, TWordPackage package, pugi::xml_document mainXml)
    : Name(std::move(name)), package_(std::move(package)), main_(std::move(mainXml))
{
    Caption = Name;
    IsNew = true;
    mainPart_ = package_.MainPartName();
    package_.SetPart(mainPart_, std::string());
    ReadSettings();
}

// The settings as XML; the package keeps no copy of their text.
void TWordDocument::ReadSettings()
{
    settingsPart_ = package_.RelatedPartName("settings");
    if (!settingsPart_.empty() && package_.HasPart(settingsPart_)) {
        ParseXmlPart(settings_, package_.Part(settingsPart_), settingsPart_);
        package_.SetPart(settingsPart_, std::string());
    } else {
        settingsPart_.clear();
    }
}

TWordPackage TWordDocument::OtherParts() const
{
    RequireContent();
    TWordPackage package = package_;
    if (!settingsPart_.empty())
        package.SetPart(settingsPart_, SaveXmlPart(settings_));
    return package;
}

TWordPackage TWordDocument::Package() const
{
    // Room for twice the size read or merged, for what fields and edits add since.
    TWordPackage package = OtherParts();
    package.SetPart(mainPart_, SaveXmlPart(main_, 2 * std::max(mainBytes_, Merged.Bytes) + 4096));
    return package;
}

void TWordDocument::Save(const QString& path) const
{
    OtherParts().Save(path, mainPart_, [this](pugi::xml_writer& out) { WriteXmlPart(main_, out); });
}

pugi::xml_node TWordDocument::Body() const { return main_.document_element().child("w:body"); }

pugi::xml_node TWordDocument::Settings(bool create)
{
    if (settingsPart_.empty() && create) {
        settingsPart_ = "word/settings.xml";
        settings_.reset();
        pugi::xml_node decl = settings_.append_child(pugi::node_declaration);
        decl.append_attribute("version") = "1.0";
        decl.append_attribute("encoding") = "UTF-8";
        decl.append_attribute("standalone") = "yes";
        settings_.append_child("w:settings").append_attribute("xmlns:w") = WordNs;
        package_.SetPart(settingsPart_, SaveXmlPart(settings_));
        package_.AddRelatedPart(settingsPart_, "settings", SettingsContentType);
    }
    return settings_.document_element();
}

bool TWordDocument::IsProtected() const
{
    RequireContent();
    const pugi::xml_node p = settings_.document_element().child("w:documentProtection");
    const std::string edit = p.attribute("w:edit").value();
    return p && IsTrue(p.attribute("w:enforcement").value()) && !edit.empty() && edit != "none";
}

void TWordDocument::Unprotect(const std::string& Password)
{
    if (!IsProtected())
        throw Exception(NotProtectedText);
    pugi::xml_node settings = Settings(false);
    pugi::xml_node p = settings.child("w:documentProtection");
    // A password cannot be checked here: a document that carries one stays protected.
    if (*p.attribute("w:hash").value() || *p.attribute("w:hashValue").value() || !Password.empty())
        throw Exception(WrongPasswordText);
    settings.remove_child(p);
}

void TWordDocument::Protect(int Type)
{
    static const char* const edits[] = {"trackedChanges", "comments", "forms", "readOnly"};
    if (Type < wdAllowOnlyRevisions || Type > wdAllowOnlyReading)
        throw Exception("Ongeldige waarde voor de parameter Type.");
    if (IsProtected())
        throw Exception(AlreadyProtectedText);
    pugi::xml_node settings = Settings(true);
    settings.remove_child("w:documentProtection");
    pugi::xml_node before = settings.first_child();
    while (before && (before.type() != pugi::node_element || BeforeProtection.count(before.name())))
        before = before.next_sibling();
    pugi::xml_node p = before ? settings.insert_child_before("w:documentProtection", before)
                              : settings.append_child("w:documentProtection");
    p.append_attribute("w:edit") = edits[Type];
    p.append_attribute("w:enforcement") = "1";
    if (Type == wdAllowOnlyFormFields)
    {
        TElementsNamed sections("w:sectPr");
        if (layout_.SectionsKnown)
            sections.Found = layout_.Sections;
        else
            main_.traverse(sections);
        for (pugi::xml_node s : sections.Found)
            while (s.remove_child("w:formProt")) {
            }
    }
}

std::string TWordDocument::StoryText() const
{
    const TStoryIndex& story = Story();
    std::string text;
    for (std::size_t i = 0; i < story.Count(); ++i)
        story.AppendText(i, text);
    return text;
}

std::size_t TWordDocument::SelectionStart() const
{
    ResolveSelection();
    return selStart_;
}

std::size_t TWordDocument::SelectionEnd() const
{
    ResolveSelection();
    return selEnd_;
}

void TWordDocument::ResolveSelection() const
{
    if (!selAtEnd_)
        return;
    selAtEnd_ = false;
    const std::size_t size = Story().Size;
    // Before the last paragraph mark, where typing would go.
    selStart_ = selEnd_ = size > 0 ? size - 1 : 0;
}

void TWordDocument::Select(std::size_t Start, std::size_t End)
{
    const std::size_t size = Story().Size;
    selAtEnd_ = false;
    selEnd_ = std::min(End, size);
    selStart_ = std::min(Start, selEnd_);
}

void TWordDocument::SelectEnd()
{
    // Found when the selection is next used, so that a document nobody searches is not indexed.
    selAtEnd_ = true;
}

bool TWordDocument::Find(const std::string& Text, bool MatchCase, bool Forward, bool Wrap)
{
    if (Text.empty())
        return false;
    ResolveSelection();
    TStoryIndex& story = Story();
    const std::size_t count = story.Count();
    if (count == 0)
        return false;
    const std::string needle = MatchCase ? Text : AsciiLowerStr(Text);
    // The hit in paragraph i, searching forward from or backward before local position from.
    std::uint64_t needleBytes = 0;
    for (const char c : needle)
        needleBytes |= ByteBit(c);
    std::string& hay = story.Hay;
    const auto search = [&](std::size_t i, std::size_t from, bool forward) {
        if ((story.Bytes[i] & needleBytes) != needleBytes)
            return std::string::npos;
        hay.clear();
        story.AppendText(i, hay);
        if (!MatchCase)
            for (char& c : hay)
                c = AsciiLower(c);
        if (forward)
            return hay.find(needle, from);
        return from < needle.size() ? std::string::npos : hay.rfind(needle, from - needle.size());
    };
    const auto hit = [&](std::size_t i, std::size_t local) {
        selStart_ = story.Start(i) + local;
        selEnd_ = selStart_ + needle.size();
        return true;
    };
    const std::size_t home = story.Locate(Forward ? selEnd_ : selStart_);
    const std::size_t local = (Forward ? selEnd_ : selStart_) - story.Start(home);
    if (Forward) {
        for (std::size_t i = home; i < count; ++i)
            if (const std::size_t pos = search(i, i == home ? local : 0, true); pos != std::string::npos)
                return hit(i, pos);
        for (std::size_t i = 0; Wrap && i <= home; ++i)
            if (const std::size_t pos = search(i, 0, true); pos != std::string::npos)
                return hit(i, pos);
    } else {
        for (std::size_t i = home + 1; i-- > 0;)
            if (const std::size_t pos = search(i, i == home ? local : std::string::npos, false); pos != std::string::npos)
                return hit(i, pos);
        for (std::size_t i = count; Wrap && i-- > home;)
            if (const std::size_t pos = search(i, std::string::npos, false); pos != std::string::npos)
                return hit(i, pos);
    }
    return false;
}

void TWordDocument::AddTextFormField()
{
    ResolveSelection();
    TStoryIndex& index = Story();
    const std::size_t paragraph = index.Locate(selStart_);
    const std::size_t paragraphStart = index.Count() == 0 ? 0 : index.Start(paragraph);
    const std::size_t start = selStart_ - paragraphStart;
    const std::size_t end = selEnd_ - paragraphStart;
    if (index.Count() == 0 || end >= index.SizeOf(paragraph))
        throw Exception("Hier kan geen formulierveld worden ingevoegd.");
    TStory& story = index.Paragraph(paragraph);
    // The field made last is copied below, unless its result is split or cut here first.
    for (const std::size_t at : {start, end})
        if (const TPiece* piece = TextAround(story, at); piece && piece->Text == index.LastField[3])
            index.LastField = {};
    // Split where the field starts and ends (none is needed where both are one place).  Where it
    // starts inside the text of a run, that text keeps only what comes before the field, which
    // follows its run: what the text loses is not split off to be removed below.
    SplitTextAt(story, end);
    if (TPiece* piece = start < end ? TextAround(story, start) : nullptr; piece && Is(piece->Text.parent(), "w:r"))
        CutTextAt(story, *piece, start);
    else if (start < end)
        SplitTextAt(story, start);

    // The w:t elements the field replaces, in order.
    const auto covered = [&](const TPiece& piece) {
        return piece.Text && piece.Length > 0 && piece.Start >= start && piece.Start + piece.Length <= end;
    };
    pugi::xml_node startsHere, endsHere, lastCovered;
    for (const TPiece& piece : story.Pieces) {
        if (!piece.Text)
            continue;
        if (covered(piece))
            lastCovered = piece.Text;
        if (piece.Length > 0 && piece.Start == start && !startsHere)
            startsHere = piece.Text;
        if (piece.Start + piece.Length == start)
            endsHere = piece.Text;
    }

    pugi::xml_node parent, before, props;
    if (startsHere && Is(startsHere.parent(), "w:r")) {
        before = SplitRunBefore(startsHere);
        parent = before.parent();
        props = before.child("w:rPr");
    } else if (endsHere && Is(endsHere.parent(), "w:r")) {
        SplitRunAfter(endsHere);
        parent = endsHere.parent().parent();
        before = endsHere.parent().next_sibling();
        props = endsHere.parent().child("w:rPr");
    } else {
        throw Exception("Hier kan geen formulierveld worden ingevoegd.");
    }
    if (lastCovered)
        SplitRunAfter(lastCovered);

    // The field's five runs hold copies of what the field made last holds, or for the first of
    // FieldXml read into a spare node, so that the fields share its names and texts.  Its texts
    // are kept in their elements rather than in text nodes of their own (written alike), a node
    // fewer each.
    pugi::xml_node spare;
    if (!index.LastField[0]) {
        spare = main_.append_child(pugi::node_element);
        spare.append_buffer(FieldXml.data(), FieldXml.size(), XmlParseOptions | pugi::parse_embed_pcdata, pugi::encoding_utf8);
        std::copy_n(spare.begin(), index.LastField.size(), index.LastField.begin());
    }
    for (pugi::xml_node& content : index.LastField)
        content = NewRun(parent, before, props).append_copy(content);
    if (spare)
        main_.remove_child(spare);
    index.LastField[0].child("w:ffData").child("w:name").attribute("w:val").set_value(index.NewFieldName().c_str());

    for (const TPiece& piece : story.Pieces) {
        if (!covered(piece))
            continue;
        pugi::xml_node r = piece.Text.parent();
        r.remove_child(piece.Text);
        if (Is(r, "w:r") && !std::any_of(r.children().begin(), r.children().end(), IsContent))
            r.parent().remove_child(r);
    }
    // The paragraph's story is now what its pieces held but the texts the field replaced (and what
    // a cut took off, which no piece holds), with the field's result.
    TStoryLength length;
    for (const TPiece& piece : story.Pieces)
        if (!covered(piece))
            for (std::size_t i = piece.Start; i < piece.Start + piece.Length; ++i)
                length.Mark(story.Text[i]);
    for (const char c : FieldResult)
        length.Mark(c);
    index.Refresh(paragraph, length);
    selStart_ = selEnd_ = paragraphStart + start + FieldResult.size();
}
