#include "MailMerge.h"

#include "AnsiText.h"
#include "AsciiCase.h"
#include "Exceptions.h"
#include "WordXml.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace {

// ---------------------------------------------------------------------------------------------
// Sizes

std::size_t CountNodes(pugi::xml_node node)
{
    std::size_t count = 1;
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        ++count;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling())
        count += CountNodes(c);
    return count;
}

// The node and everything in it as written.
TMergedSize SizeOf(pugi::xml_node node)
{
    TCountingWriter writer;
    node.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return {writer.Bytes, CountNodes(node)};
}

void Add(TMergedSize& to, const TMergedSize& size)
{
    to.Bytes += size.Bytes;
    to.Nodes += size.Nodes;
}

void Subtract(TMergedSize& from, const TMergedSize& size)
{
    from.Bytes -= size.Bytes;
    from.Nodes -= size.Nodes;
}

TMergedSize Sum(TMergedSize a, const TMergedSize& b)
{
    Add(a, b);
    return a;
}

bool Fits(const TMergedSize& size, const TMergedSize& room) { return size.Bytes <= room.Bytes && size.Nodes <= room.Nodes; }

// UTF-8 text as written in XML: in an element, or (Attribute) in an attribute between double quotes.
std::size_t EscapedSize(const std::string& utf8, bool Attribute = false)
{
    std::size_t size = utf8.size();
    for (const char c : utf8)
        size += c == '&' ? 4 : c == '<' || c == '>' ? 3 : Attribute && c == '"' ? 5 : 0;
    return size;
}

std::string EscapedAttribute(const std::string& utf8)
{
    std::string text;
    for (const char c : utf8)
        text += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : std::string(1, c);
    return text;
}

// ---------------------------------------------------------------------------------------------
// Fields

// A stretch of an IF field's instruction: text in the formatting of its run, or a field nested there.
struct TSegment {
    std::string Text; // UTF-8, as the XML holds it
    pugi::xml_node Props;
    TMergedSize Run; // a run with Props, without its text
    int Field = -1;  // the nested field, in place of text
};

// A word of an IF field's instruction, without its quotes.
struct TToken {
    bool Quoted = false;
    std::vector<TSegment> Segments;
};

enum class TFieldKind : unsigned char { MergeField, Next, If, Other };

struct TMergeField {
    TFieldKind Kind = TFieldKind::Other;
    std::string Name;
    int Column = -1;                // of the data, -1 when the data lacks the name
    pugi::xml_node First, Last;     // the field's nodes from First to Last
    bool Siblings = false;          // whether First and Last have one parent
    pugi::xml_node Props;           // run properties for its value
    TMergedSize Run;                // a value's run with its properties, without its text
    bool InCode = false;            // stands in another field's instruction
    std::string Result;             // the text its result shows in the template
    std::vector<std::pair<int, bool>> Nested; // fields in it, with whether they stand in its instruction
    // IF: expression, operator, expression, the text when true and the one when false.
    TToken Left, Right, True, False;
    std::string Operator;
};

TMergedSize RunSize(pugi::xml_node props)
{
    TMergedSize size{11, 1};
    if (props)
        Add(size, SizeOf(props));
    return size;
}

// One byte of a field's instruction with its run's properties, or a field nested there.
struct TAtom {
    char C = 0;
    pugi::xml_node Props;
    int Field = -1;
};

bool IsBlank(const TAtom& a) { return a.Field < 0 && std::isspace(static_cast<unsigned char>(a.C)); }

// Splits an IF field's instruction into its words: quoted ones (\" and \\ stand for " and \) and
// others up to a blank; a nested field belongs to the word it stands in.  Ends at a switch.
std::vector<TToken> Tokens(const std::vector<TAtom>& code)
{
    std::vector<TToken> tokens;
    std::size_t i = 0;
    const auto add = [](TToken& token, const TAtom& a) {
        if (a.Field >= 0) {
            token.Segments.push_back({std::string(), pugi::xml_node(), TMergedSize{}, a.Field});
            return;
        }
        if (token.Segments.empty() || token.Segments.back().Field >= 0 || token.Segments.back().Props != a.Props)
            token.Segments.push_back({std::string(), a.Props, RunSize(a.Props), -1});
        token.Segments.back().Text += a.C;
    };
    while (true) {
        while (i < code.size() && IsBlank(code[i]))
            ++i;
        if (i == code.size())
            break;
        TToken token;
        if (code[i].Field < 0 && code[i].C == '"') {
            token.Quoted = true;
            for (++i; i < code.size() && !(code[i].Field < 0 && code[i].C == '"'); ++i) {
                if (code[i].Field < 0 && code[i].C == '\\' && i + 1 < code.size() && code[i + 1].Field < 0
                    && (code[i + 1].C == '"' || code[i + 1].C == '\\'))
                    ++i;
                add(token, code[i]);
            }
            if (i < code.size())
                ++i;
        } else {
            if (code[i].Field < 0 && code[i].C == '\\')
                break;
            for (; i < code.size() && !IsBlank(code[i]); ++i)
                add(token, code[i]);
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::string PlainText(const TToken& token)
{
    std::string text;
    for (const TSegment& s : token.Segments)
        text += s.Text;
    return text;
}

// Reads an IF field's instruction into its parts; false when it is no IF that can be evaluated.
bool ParseIf(const std::vector<TAtom>& code, TMergeField& field)
{
    std::vector<TToken> tokens = Tokens(code);
    if (tokens.size() < 4 || tokens[0].Quoted || AsciiUpperStr(PlainText(tokens[0])) != "IF" || tokens[2].Quoted)
        return false;
    field.Operator = PlainText(tokens[2]);
    static const char* const operators[] = {"=", "<>", "<", ">", "<=", ">="};
    // The operator may run over runs of their own, but holds no field.
    if (std::none_of(std::begin(operators), std::end(operators), [&](const char* o) { return field.Operator == o; })
        || std::any_of(tokens[2].Segments.begin(), tokens[2].Segments.end(), [](const TSegment& s) { return s.Field >= 0; }))
        return false;
    field.Left = std::move(tokens[1]);
    field.Right = std::move(tokens[3]);
    if (tokens.size() > 4)
        field.True = std::move(tokens[4]);
    if (tokens.size() > 5)
        field.False = std::move(tokens[5]);
    return true;
}

// How deep fields are looked into when nested: far deeper than a word processor nests them.
constexpr std::size_t MaxFieldDepth = 32;

// Finds the fields of a story in document order, with the fields nested in them, the w:sectPr
// elements and the note references.
class TFieldFinder {
public:
    std::vector<TMergeField> Fields;
    std::vector<int> Roots; // the fields that stand in no other field, in document order
    std::vector<pugi::xml_node> Sections;
    std::vector<pugi::xml_node> NoteReferences;

    void Visit(pugi::xml_node node)
    {
        if (Is(node, "w:fldSimple")) {
            const char* instruction = node.attribute("w:instr").value();
            const pugi::xml_node props = node.child("w:r").child("w:rPr");
            std::vector<TAtom> code;
            for (const char* c = instruction; *c; ++c)
                code.push_back({*c, props, -1});
            TMergeField field;
            field.First = field.Last = node;
            field.Siblings = true;
            field.Props = props;
            for (pugi::xml_node r : node.children("w:r"))
                for (pugi::xml_node t : r.children("w:t"))
                    field.Result += TextOf(t);
            Add(std::move(field), instruction, code);
            return; // its runs are its result
        }
        if (Is(node, "w:fldChar")) {
            const std::string type = node.attribute("w:fldCharType").value();
            pugi::xml_node run = node.parent();
            if (type == "begin") {
                open_.emplace_back();
                open_.back().Begin = run;
            } else if (type == "separate" && !open_.empty()) {
                open_.back().Separated = true;
            } else if (type == "end" && !open_.empty()) {
                TOpen open = std::move(open_.back());
                open_.pop_back();
                TMergeField field;
                field.First = open.Begin;
                field.Last = run;
                field.Siblings = open.Begin.parent() == run.parent();
                field.Props = open.ResultProps ? open.ResultProps : open.Begin.child("w:rPr");
                field.Result = std::move(open.Result);
                field.Nested = std::move(open.Nested);
                Add(std::move(field), open.Instruction, open.Code);
            }
            return;
        }
        if (Is(node, "w:instrText")) {
            if (!open_.empty() && !open_.back().Separated) {
                const std::string text = TextOf(node);
                open_.back().Instruction += text;
                for (const char c : text)
                    open_.back().Code.push_back({c, node.parent().child("w:rPr"), -1});
            }
            return;
        }
        if (Is(node, "w:t") && !open_.empty() && open_.back().Separated)
            open_.back().Result += TextOf(node);
        if (Is(node, "w:sectPr"))
            Sections.push_back(node);
        if (Is(node, "w:footnoteReference") || Is(node, "w:endnoteReference"))
            NoteReferences.push_back(node);
        if (Is(node, "w:r") && !open_.empty() && open_.back().Separated && !open_.back().ResultProps
            && !node.child("w:fldChar"))
            open_.back().ResultProps = node.child("w:rPr");
        for (pugi::xml_node child : node.children())
            if (child.type() == pugi::node_element)
                Visit(child);
    }

private:
    struct TOpen {
        pugi::xml_node Begin;
        std::string Instruction;
        std::vector<TAtom> Code;
        bool Separated = false;
        pugi::xml_node ResultProps;
        std::string Result;
        std::vector<std::pair<int, bool>> Nested;
    };

    void Add(TMergeField field, const std::string& instruction, const std::vector<TAtom>& code)
    {
        const TFieldInstruction parsed = ParseFieldInstruction(instruction);
        if (parsed.Keyword == "MERGEFIELD") {
            field.Kind = TFieldKind::MergeField;
            field.Name = parsed.Argument;
        } else if (parsed.Keyword == "NEXT") {
            field.Kind = TFieldKind::Next;
        } else if (parsed.Keyword == "IF" && ParseIf(code, field)) {
            field.Kind = TFieldKind::If;
        }
        field.Run = RunSize(field.Props);
        const int index = static_cast<int>(Fields.size());
        Fields.push_back(std::move(field));
        if (open_.empty()) {
            Roots.push_back(index);
        } else if (open_.size() < MaxFieldDepth) { // deeper ones are not looked into
            TOpen& parent = open_.back();
            parent.Nested.emplace_back(index, !parent.Separated);
            if (!parent.Separated)
                parent.Code.push_back({0, pugi::xml_node(), index});
        }
    }

    std::vector<TOpen> open_;
};

int ColumnIndex(const TRecordSet& data, const std::string& name)
{
    for (std::size_t i = 0; i < data.Columns.size(); ++i)
        if (AsciiSameText(data.Columns[i], name))
            return static_cast<int>(i);
    return -1;
}

// A page break at the start of a copy: a run with a break, in the copy's first paragraph or in a
// paragraph of its own.
const TMergedSize PageBreakRunSize{32, 3};
const TMergedSize PageBreakParagraphSize{43, 4};

// One step of making a copy: a node copied whole, a holder opened (its children follow up to its
// Close) or closed, a field merged, or a node copied with the copy's own ids (a w:sectPr whose
// header and footer references, or a note reference).
struct TCopyStep {
    enum TKind : unsigned char { Copy, Open, Close, Field, Rewrite };
    enum THolder : unsigned char { Other, Paragraph, AlternateContent, Rendering };
    TKind Kind;
    THolder Holder = Other;  // of an Open
    pugi::xml_node Node;     // Copy and Rewrite: the node; Open: the holder without its children
    std::size_t Index = 0;   // Field: in Fields; Rewrite: in Rewrites
};

// A node that a copy holds with ids of its own: its size without them, and where they stand.
struct TRewrite {
    enum TKind : unsigned char { Section, Footnote, Endnote };
    TKind Kind;
    TMergedSize Base;
};

// The ids a copy gives its header and footer references and its note references, by the
// template's ids; ids not listed stay.
struct TCopyIds {
    std::unordered_map<std::string, std::string> Relationships, Footnotes, Endnotes;
};

const std::string& IdOf(const std::unordered_map<std::string, std::string>& ids, const std::string& id)
{
    const auto it = ids.find(id);
    return it == ids.end() ? id : it->second;
}

bool IsHeaderOrFooterReference(pugi::xml_node n) { return Is(n, "w:headerReference") || Is(n, "w:footerReference"); }

// A story of a template (the body, a header or footer, a note), seen once: the nodes a copy is
// made of, its fields, the nodes that hold a field or a node with ids of the copy's own (copied
// element by element), the steps that make a copy and the size of a copy without its values.
struct TStoryTemplate {
    pugi::xml_node Container, End;
    std::vector<pugi::xml_node> Nodes;
    TFieldFinder Found;
    std::vector<TMergeField>& Fields = Found.Fields;
    std::vector<TCopyStep> Steps;
    std::vector<TRewrite> Rewrites;
    std::unordered_map<const void*, std::size_t> FieldAt; // by its first node
    std::unordered_map<const void*, std::size_t> RewriteAt;
    std::unordered_set<const void*> Holders;
    TMergedSize Copy;
    bool HasFields = false;
    // What values and page breaks are made of, read as text into the template's document
    // (removed at the end), so that their copies share its names instead of holding their own.
    pugi::xml_node Spare, Run, Text, InstrText, Tab, Break, PageRun, Paragraph, ParagraphProps;

    // The story is Container's children but End.
    TStoryTemplate(pugi::xml_document& doc, pugi::xml_node container, pugi::xml_node end, const TRecordSet& data)
        : Container(container), End(end)
    {
        static const char spare[] = "<w:r/><w:t xml:space=\"preserve\"/><w:instrText xml:space=\"preserve\"/><w:tab/><w:br/>"
                                    "<w:r><w:br w:type=\"page\"/></w:r><w:p/><w:pPr/>";
        Spare = doc.append_child(pugi::node_element);
        Spare.append_buffer(spare, sizeof spare - 1, XmlParseOptions, pugi::encoding_utf8);
        Run = Spare.child("w:r");
        Text = Spare.child("w:t");
        InstrText = Spare.child("w:instrText");
        Tab = Spare.child("w:tab");
        Break = Spare.child("w:br");
        PageRun = Run.next_sibling("w:r");
        Paragraph = Spare.child("w:p");
        ParagraphProps = Spare.child("w:pPr");
        for (pugi::xml_node n = container.first_child(); n; n = n.next_sibling())
            if (n != end) {
                Nodes.push_back(n);
                Found.Visit(n);
            }
        for (TMergeField& f : Fields)
            if (f.Kind == TFieldKind::MergeField)
                f.Column = ColumnIndex(data, f.Name);
    }

    // Works out the steps: Sections and Notes tell whether the copies give the w:sectPr elements
    // and the note references ids of their own.
    void Prepare(bool sections, bool notes)
    {
        for (const int f : Found.Roots)
            Choose(f, false);
        if (sections)
            for (pugi::xml_node s : Found.Sections)
                AddRewrite(s, TRewrite::Section);
        if (notes)
            for (pugi::xml_node r : Found.NoteReferences)
                AddRewrite(r, Is(r, "w:footnoteReference") ? TRewrite::Footnote : TRewrite::Endnote);
        for (pugi::xml_node n : Nodes)
            if (!FieldAt.count(n.internal_object()))
                Add(Copy, KeptSize(n));
        for (pugi::xml_node n = Container.first_child(); n && n != End; n = n.next_sibling())
            n = AddSteps(n);
    }

    // A field that a copy fills stands in place of its nodes; another one stays, the fields in it filled.
    void Choose(int index, bool inCode)
    {
        TMergeField& f = Fields[static_cast<std::size_t>(index)];
        f.InCode = inCode;
        if (f.Kind != TFieldKind::Other && f.Siblings) {
            FieldAt.emplace(f.First.internal_object(), static_cast<std::size_t>(index));
            HoldUp(f.First);
            HasFields = true;
            return;
        }
        for (const auto& [nested, code] : f.Nested)
            Choose(nested, inCode || code);
    }

    void AddRewrite(pugi::xml_node n, TRewrite::TKind kind)
    {
        TRewrite rewrite{kind, SizeOf(n)};
        if (kind == TRewrite::Section) {
            for (pugi::xml_node r = n.first_child(); r; r = r.next_sibling())
                if (IsHeaderOrFooterReference(r))
                    rewrite.Base.Bytes -= EscapedSize(r.attribute("r:id").value(), true);
        } else {
            rewrite.Base.Bytes -= EscapedSize(n.attribute("w:id").value(), true);
        }
        RewriteAt.emplace(n.internal_object(), Rewrites.size());
        Rewrites.push_back(rewrite);
        HoldUp(n);
    }

    void HoldUp(pugi::xml_node n)
    {
        for (pugi::xml_node up = n.parent(); up && up != Container; up = up.parent())
            Holders.insert(up.internal_object());
    }

    // The steps for n, or for the field that starts at n; returns the last node they take.
    pugi::xml_node AddSteps(pugi::xml_node n)
    {
        if (const auto it = FieldAt.find(n.internal_object()); it != FieldAt.end()) {
            Steps.push_back({TCopyStep::Field, TCopyStep::Other, pugi::xml_node(), it->second});
            return Fields[it->second].Last;
        }
        if (const auto it = RewriteAt.find(n.internal_object()); it != RewriteAt.end()) {
            Steps.push_back({TCopyStep::Rewrite, TCopyStep::Other, n, it->second});
            return n;
        }
        if (!IsHolder(n)) {
            Steps.push_back({TCopyStep::Copy, TCopyStep::Other, n, 0});
            return n;
        }
        // The holder's own tags come from a childless copy among the spare nodes, so that its
        // copies share the template's names.
        pugi::xml_node shell = Spare.append_copy(n);
        while (shell.first_child())
            shell.remove_child(shell.first_child());
        const TCopyStep::THolder holder = Is(n, "w:p")                   ? TCopyStep::Paragraph
            : Is(n, "mc:AlternateContent")                               ? TCopyStep::AlternateContent
            : Is(n, "mc:Choice") || Is(n, "mc:Fallback")                 ? TCopyStep::Rendering
                                                                         : TCopyStep::Other;
        Steps.push_back({TCopyStep::Open, holder, shell, 0});
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
            c = AddSteps(c);
        Steps.push_back({TCopyStep::Close, TCopyStep::Other, pugi::xml_node()});
        return n;
    }

    bool IsHolder(pugi::xml_node n) const { return Holders.count(n.internal_object()) != 0; }
    const TMergeField* FieldStartingAt(pugi::xml_node n) const
    {
        const auto it = FieldAt.find(n.internal_object());
        return it == FieldAt.end() ? nullptr : &Fields[it->second];
    }

    // What a copy keeps of n: all of it, or for a holder its tags and what it keeps of its
    // children; a node with the copy's ids counts with them.
    TMergedSize KeptSize(pugi::xml_node n) const
    {
        if (RewriteAt.count(n.internal_object()))
            return {};
        if (!IsHolder(n))
            return SizeOf(n);
        TMergedSize size{2 * std::strlen(n.name()) + 5, 1};
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
            Add(size, {std::strlen(a.name()) + EscapedSize(a.value(), true) + 4, 1});
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
            if (const TMergeField* field = FieldStartingAt(c))
                c = field->Last;
            else
                Add(size, KeptSize(c));
        }
        return size;
    }
};

pugi::xml_node Place(pugi::xml_node node, pugi::xml_node parent, pugi::xml_node position)
{
    return position ? parent.insert_copy_before(node, position) : parent.append_copy(node);
}

// What a field puts in place: a run of text in the formatting of Props, or nothing for empty text.
struct TPiece {
    const std::string* Text;
    bool Ansi;          // Windows-1252 text of the data, else UTF-8 of the template
    pugi::xml_node Props;
    const TMergedSize* Run;
};

// Walks text as a run holds it: stretches of UTF-8 text, tabs and line breaks (a line end);
// other control characters are left out.  utf8 is room for the stretches, kept from text to text.
template <class Sink>
void WalkText(const std::string& text, bool ansi, std::string& utf8, Sink& sink)
{
    utf8.clear();
    const auto flush = [&] {
        if (!utf8.empty())
            sink.Text(utf8);
        utf8.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x80) { // ASCII stays as it is, a stretch at a time
            std::size_t j = i + 1;
            while (j < text.size() && static_cast<unsigned char>(text[j]) >= 0x20 && static_cast<unsigned char>(text[j]) < 0x80)
                ++j;
            utf8.append(text, i, j - i);
            i = j - 1;
        } else if (c == '\t') {
            flush();
            sink.Tab();
        } else if (c == '\r' || c == '\n') {
            flush();
            sink.Break();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c >= 0x80) {
            if (ansi)
                AppendAnsiAsUtf8(utf8, static_cast<char>(c));
            else
                utf8 += static_cast<char>(c);
        }
    }
    flush();
}

// The size of a piece's run as InsertPiece makes it.
struct TSizeSink {
    TMergedSize Size;
    std::size_t TextTags;
    void Text(const std::string& utf8) { Add(Size, {TextTags + EscapedSize(utf8), 3}); }
    void Tab() { Add(Size, {8, 1}); }
    void Break() { Add(Size, {7, 1}); }
};

struct TNodeSink {
    pugi::xml_node Run, TextNode, TabNode, BreakNode;
    void Text(const std::string& utf8) { Run.append_copy(TextNode).append_child(pugi::node_pcdata).set_value(utf8.c_str()); }
    void Tab() { Run.append_copy(TabNode); }
    void Break() { Run.append_copy(BreakNode); }
};

// <w:t xml:space="preserve"></w:t> and the same for w:instrText.
constexpr std::size_t TextTagsSize = 32;
constexpr std::size_t InstrTextTagsSize = 48;

// Number as Word compares them: blanks around, a sign, digits with a decimal point or comma.
bool ParseNumber(const std::string& text, double& value)
{
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1])))
        --e;
    std::string number;
    std::size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-'))
        number += text[i++];
    bool digits = false, point = false;
    for (; i < e; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            number += c;
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
            number += '.';
        } else {
            return false;
        }
    }
    if (!digits)
        return false;
    value = std::strtod(number.c_str(), nullptr);
    return true;
}

// The length of the UTF-8 character at text[i].
std::size_t CharLength(const std::string& text, std::size_t i)
{
    std::size_t n = 1;
    while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

// Whether text matches pattern, in which ? stands for one character and * for any text.
bool Matches(const std::string& text, const std::string& pattern)
{
    std::size_t t = 0, p = 0, starP = std::string::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && pattern[p] == '?') {
            t += CharLength(text, t);
            ++p;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++t;
            ++p;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            starT += CharLength(text, starT);
            t = starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool Compare(const std::string& left, const std::string& op, const std::string& right, bool rightQuoted)
{
    int order;
    double a, b;
    if (ParseNumber(left, a) && ParseNumber(right, b)) {
        order = a < b ? -1 : a > b ? 1 : 0;
    } else if ((op == "=" || op == "<>") && rightQuoted && right.find_first_of("*?") != std::string::npos) {
        return Matches(left, right) == (op == "=");
    } else {
        order = left.compare(right);
    }
    if (op == "=")
        return order == 0;
    if (op == "<>")
        return order != 0;
    if (op == "<")
        return order < 0;
    if (op == ">")
        return order > 0;
    if (op == "<=")
        return order <= 0;
    return order >= 0;
}

// Makes copies of a story at a place, their fields merged from a record on: first planned (what
// each field puts in place and the size of it all), then made as planned.
class TCopier {
public:
    TCopier(const TStoryTemplate& story, const TRecordSet& data) : story_(story), data_(data) {}

    // The record after the last one the planned copy used.
    std::size_t Record() const { return record_; }
    // What the planned copy holds beyond the story's fixed size.
    TMergedSize Planned() const { return planned_; }

    // Works out a copy's fields from record on, with ids (kept until the copy is made).
    void Plan(std::size_t record, const TCopyIds& ids)
    {
        ids_ = &ids;
        record_ = record;
        planned_ = {};
        pieces_.clear();
        starts_.clear();
        kinds_.clear();
        alternates_.clear();
        for (const TCopyStep& step : story_.Steps) {
            switch (step.Kind) {
            case TCopyStep::Open:
                kinds_.push_back(step.Holder);
                if (step.Holder == TCopyStep::AlternateContent)
                    alternates_.push_back({record_, SIZE_MAX});
                else if (step.Holder == TCopyStep::Rendering && !alternates_.empty())
                    record_ = alternates_.back().first;
                break;
            case TCopyStep::Close: {
                // The renderings of one alternate content take the same records: the first one's
                // NEXT fields count once.
                const TCopyStep::THolder holder = kinds_.back();
                kinds_.pop_back();
                if (holder == TCopyStep::Rendering && !alternates_.empty() && alternates_.back().second == SIZE_MAX)
                    alternates_.back().second = record_;
                if (holder == TCopyStep::AlternateContent) {
                    if (alternates_.back().second != SIZE_MAX)
                        record_ = alternates_.back().second;
                    alternates_.pop_back();
                }
                break;
            }
            case TCopyStep::Field: {
                starts_.push_back(pieces_.size());
                const TMergeField& field = story_.Fields[step.Index];
                Evaluate(field, pieces_);
                const std::size_t tags = field.InCode ? InstrTextTagsSize : TextTagsSize;
                for (std::size_t i = starts_.back(); i < pieces_.size(); ++i)
                    Add(planned_, PieceSize(pieces_[i], tags));
                break;
            }
            case TCopyStep::Rewrite:
                Add(planned_, RewriteSize(step));
                break;
            case TCopyStep::Copy:
                break;
            }
        }
        starts_.push_back(pieces_.size());
    }

    // Makes the copy planned last into parent before position (at its end when null); returns
    // the first node made.
    pugi::xml_node Make(pugi::xml_node parent, pugi::xml_node position)
    {
        paragraphs_.clear();
        open_.clear();
        std::size_t field = 0;
        pugi::xml_node first, at = parent, paragraph;
        for (const TCopyStep& step : story_.Steps) {
            const pugi::xml_node before = open_.empty() ? position : pugi::xml_node();
            switch (step.Kind) {
            case TCopyStep::Copy: {
                const pugi::xml_node made = Place(step.Node, at, before);
                first = first ? first : made;
                break;
            }
            case TCopyStep::Rewrite: {
                const pugi::xml_node made = Place(step.Node, at, before);
                first = first ? first : made;
                GiveIds(made, story_.Rewrites[step.Index].Kind);
                break;
            }
            case TCopyStep::Open: {
                const pugi::xml_node made = Place(step.Node, at, before);
                first = first ? first : made;
                open_.emplace_back(at, paragraph);
                at = made;
                if (step.Holder == TCopyStep::Paragraph)
                    paragraph = made;
                break;
            }
            case TCopyStep::Close:
                std::tie(at, paragraph) = open_.back();
                open_.pop_back();
                break;
            case TCopyStep::Field:
                Merge(story_.Fields[step.Index], field, at, before, paragraph);
                ++field;
                break;
            }
        }
        return first;
    }

    // Drops the paragraphs of the copy made last whose merge fields all came out empty; returns
    // their size.
    TMergedSize SuppressBlankLines()
    {
        TMergedSize dropped;
        for (std::size_t i = 0; i < paragraphs_.size(); ++i) {
            const auto [p, filled] = paragraphs_[i];
            if (!p || filled || !IsBlankParagraph(p) || !MayDrop(p))
                continue;
            for (std::size_t j = i + 1; j < paragraphs_.size(); ++j)
                if (paragraphs_[j].first && Contains(p, paragraphs_[j].first))
                    paragraphs_[j].first = pugi::xml_node(); // goes with it
            Add(dropped, SizeOf(p));
            p.parent().remove_child(p);
        }
        return dropped;
    }

private:
    const std::string& Value(const TMergeField& field) const
    {
        static const std::string none;
        return record_ < data_.Rows.size() && field.Column >= 0 && static_cast<std::size_t>(field.Column) < data_.Rows[record_].size()
            ? data_.Rows[record_][static_cast<std::size_t>(field.Column)]
            : none;
    }

    // What field puts in place, appended to out; a NEXT field goes on to the next record.
    void Evaluate(const TMergeField& field, std::vector<TPiece>& out)
    {
        switch (field.Kind) {
        case TFieldKind::Next:
            ++record_;
            return;
        case TFieldKind::MergeField:
            if (const std::string& value = Value(field); !value.empty())
                out.push_back({&value, true, field.Props, &field.Run});
            return;
        case TFieldKind::Other:
            if (!field.Result.empty())
                out.push_back({&field.Result, false, field.Props, &field.Run});
            return;
        case TFieldKind::If: {
            const std::string left = Text(field.Left);
            const std::string right = Text(field.Right);
            for (const TSegment& s : (Compare(left, field.Operator, right, field.Right.Quoted) ? field.True : field.False).Segments) {
                if (s.Field >= 0)
                    Evaluate(story_.Fields[static_cast<std::size_t>(s.Field)], out);
                else if (!s.Text.empty())
                    out.push_back({&s.Text, false, s.Props, &s.Run});
            }
            return;
        }
        }
    }

    // The UTF-8 text of a word of an IF field, its nested fields evaluated.
    std::string Text(const TToken& token)
    {
        std::string text;
        for (const TSegment& s : token.Segments) {
            if (s.Field < 0) {
                text += s.Text;
                continue;
            }
            std::vector<TPiece> pieces;
            Evaluate(story_.Fields[static_cast<std::size_t>(s.Field)], pieces);
            for (const TPiece& piece : pieces)
                for (const char c : *piece.Text) {
                    if (piece.Ansi && static_cast<unsigned char>(c) >= 0x80)
                        AppendAnsiAsUtf8(text, c);
                    else
                        text += c;
                }
        }
        return text;
    }

    TMergedSize PieceSize(const TPiece& piece, std::size_t tags)
    {
        TSizeSink sink{*piece.Run, tags};
        WalkText(*piece.Text, piece.Ansi, utf8_, sink);
        return sink.Size;
    }

    const std::unordered_map<std::string, std::string>& IdsOf(TRewrite::TKind kind) const
    {
        return kind == TRewrite::Section ? ids_->Relationships : kind == TRewrite::Footnote ? ids_->Footnotes : ids_->Endnotes;
    }

    TMergedSize RewriteSize(const TCopyStep& step) const
    {
        const TRewrite& rewrite = story_.Rewrites[step.Index];
        const auto& ids = IdsOf(rewrite.Kind);
        TMergedSize size = rewrite.Base;
        if (rewrite.Kind == TRewrite::Section) {
            for (pugi::xml_node r = step.Node.first_child(); r; r = r.next_sibling())
                if (IsHeaderOrFooterReference(r))
                    size.Bytes += EscapedSize(IdOf(ids, r.attribute("r:id").value()), true);
        } else {
            size.Bytes += EscapedSize(IdOf(ids, step.Node.attribute("w:id").value()), true);
        }
        return size;
    }

    void GiveIds(pugi::xml_node made, TRewrite::TKind kind) const
    {
        const auto& ids = IdsOf(kind);
        if (ids.empty())
            return;
        if (kind == TRewrite::Section) {
            for (pugi::xml_node r = made.first_child(); r; r = r.next_sibling())
                if (IsHeaderOrFooterReference(r))
                    if (pugi::xml_attribute id = r.attribute("r:id"))
                        id.set_value(IdOf(ids, id.value()).c_str());
        } else if (pugi::xml_attribute id = made.attribute("w:id")) {
            id.set_value(IdOf(ids, id.value()).c_str());
        }
    }

    void Merge(const TMergeField& field, std::size_t index, pugi::xml_node parent, pugi::xml_node position, pugi::xml_node paragraph)
    {
        if (field.Kind == TFieldKind::Next)
            return;
        bool filled = false;
        TNodeSink sink{pugi::xml_node(), field.InCode ? story_.InstrText : story_.Text, story_.Tab, story_.Break};
        for (std::size_t i = starts_[index]; i < starts_[index + 1]; ++i) {
            const TPiece& piece = pieces_[i];
            sink.Run = Place(story_.Run, parent, position);
            if (piece.Props)
                sink.Run.append_copy(piece.Props);
            WalkText(*piece.Text, piece.Ansi, utf8_, sink);
            filled = true;
        }
        const auto it = std::find_if(paragraphs_.begin(), paragraphs_.end(), [&](const auto& e) { return e.first == paragraph; });
        if (it == paragraphs_.end())
            paragraphs_.emplace_back(paragraph, filled);
        else
            it->second = it->second || filled;
    }

    // A paragraph may go unless it ends a section or is the last one of a table cell.
    static bool MayDrop(pugi::xml_node p)
    {
        if (p.child("w:pPr").child("w:sectPr"))
            return false;
        pugi::xml_node parent = p.parent();
        if (Is(parent, "w:tc")) {
            int paragraphs = 0;
            for (pugi::xml_node c : parent.children("w:p"))
                (void)c, ++paragraphs;
            return paragraphs > 1;
        }
        return true;
    }

    static bool Contains(pugi::xml_node outer, pugi::xml_node inner)
    {
        for (pugi::xml_node n = inner.parent(); n; n = n.parent())
            if (n == outer)
                return true;
        return false;
    }

    const TStoryTemplate& story_;
    const TRecordSet& data_;
    const TCopyIds* ids_ = nullptr;
    std::size_t record_ = 0;
    TMergedSize planned_;
    std::vector<TPiece> pieces_;
    std::vector<std::size_t> starts_; // of each field step's pieces, and their end
    std::vector<TCopyStep::THolder> kinds_;
    std::vector<std::pair<std::size_t, std::size_t>> alternates_; // the record each starts at, and where its first rendering ended
    std::string utf8_;
    std::vector<std::pair<pugi::xml_node, bool>> paragraphs_; // with whether a field gave text
    std::vector<std::pair<pugi::xml_node, pugi::xml_node>> open_; // the holders' parents and paragraphs
};

void StartOnNewPage(const TStoryTemplate& body, pugi::xml_node p)
{
    pugi::xml_node props = p.child("w:pPr");
    if (props)
        p.insert_copy_after(body.PageRun, props);
    else
        p.prepend_copy(body.PageRun);
}

// Whether a section starts on a new page.
bool StartsPage(pugi::xml_node sectPr)
{
    const std::string type = sectPr.child("w:type").attribute("w:val").value();
    return type.empty() || type == "nextPage" || type == "oddPage" || type == "evenPage";
}

// ---------------------------------------------------------------------------------------------
// The stories beside the body: headers and footers, footnotes and endnotes

const char* const RelationshipTypes = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

struct TRelationship {
    std::string Type; // its last path segment ("header")
    std::string Part;
};

// A text part with room for more children of its root: its text up to where they go, and after.
struct TGrowingPart {
    std::string Name, Head, Tail;

    // Reads the part; Keep tells which of its root's children stay.
    template <class Keep>
    void Read(const TWordPackage& package, const std::string& name, Keep keep)
    {
        Name = name;
        pugi::xml_document doc;
        ParseXmlPart(doc, package.Part(name), name);
        pugi::xml_node root = doc.document_element();
        for (pugi::xml_node c = root.first_child(); c;) {
            const pugi::xml_node next = c.next_sibling();
            if (!keep(c))
                root.remove_child(c);
            c = next;
        }
        static const char marker[] = "<!--merge-->";
        root.append_child(pugi::node_comment).set_value("merge");
        std::string text = SaveXmlPart(doc);
        const std::size_t at = text.rfind(marker);
        Head = text.substr(0, at);
        Tail = text.substr(at + sizeof marker - 1);
    }
    std::size_t Size() const { return Head.size() + Tail.size(); }
};

// A header or footer that holds fields: each copy has its own, filled from the record it starts with.
struct THeaderStory {
    std::string Id, Part, ContentType, Relationships; // its relationships part's text, "" when none
    std::string Type;                                 // of its relationship
    pugi::xml_document Source, Out;
    std::unique_ptr<TStoryTemplate> Template;
    std::unique_ptr<TCopier> Copier;
    TMergedSize Fixed; // the part without its root's children
};

// A note the body refers to: each copy has its own, under an id of its own.
struct TNote {
    std::string Id;
    pugi::xml_node Shell; // the note without its children, in Out
    std::unique_ptr<TStoryTemplate> Template;
    std::unique_ptr<TCopier> Copier;
    TMergedSize Fixed; // the note without its children and its id
};

struct TNotesPart {
    bool Footnotes = true;
    TGrowingPart Text;
    std::string Made; // the copies' notes
    pugi::xml_document Source, Out;
    std::vector<std::unique_ptr<TNote>> Notes;
    long NextId = 1;
};

class TStories {
public:
    bool Sectioned = false;     // each copy has sections of its own
    bool OwnHeaders = false;    // and headers and footers of its own
    bool Notes = false;         // each copy has notes of its own
    bool FirstSectionStartsPage = true;

    TStories(TStoryTemplate& body, const TRecordSet& data, TWordPackage* package) : package_(package)
    {
        const TFieldFinder& found = body.Found;
        bool references = false;
        std::vector<pugi::xml_node> sections = found.Sections;
        if (body.End)
            sections.push_back(body.End);
        for (pugi::xml_node s : sections)
            for (pugi::xml_node c = s.first_child(); c; c = c.next_sibling())
                references = references || IsHeaderOrFooterReference(c) || Is(c, "w:titlePg");
        Sectioned = body.End && (references || !found.Sections.empty());
        if (!sections.empty())
            FirstSectionStartsPage = StartsPage(sections.front());
        if (package_ && (references || !found.NoteReferences.empty()))
            ReadStories(body, data, sections);
        body.Prepare(OwnHeaders, Notes);
    }

    // The ids of copy (0-based) and the size of its stories, planned from record; the parts it
    // adds beyond them.
    TMergedSize Plan(std::size_t copy, std::size_t record)
    {
        ids_ = {};
        TMergedSize size;
        if (copy > 0) {
            for (std::size_t i = 0; i < headers_.size(); ++i)
                ids_.Relationships[headers_[i]->Id] = "rId" + std::to_string(nextRelationship_ + headers_.size() * (copy - 1) + i);
            for (TNotesPart& part : notes_)
                for (std::size_t i = 0; i < part.Notes.size(); ++i)
                    (part.Footnotes ? ids_.Footnotes : ids_.Endnotes)[part.Notes[i]->Id]
                        = std::to_string(part.NextId + static_cast<long>(part.Notes.size() * (copy - 1) + i));
        }
        for (const auto& h : headers_) {
            h->Copier->Plan(record, ids_);
            Add(size, {h->Fixed.Bytes + h->Template->Copy.Bytes + h->Copier->Planned().Bytes, 0});
            if (copy > 0) {
                const std::string name = NewPartName(*h, copy);
                size.Bytes += RelationshipElement(ids_.Relationships[h->Id], h->Type, name).size()
                    + OverrideElement(name, h->ContentType).size() + h->Relationships.size();
            }
        }
        for (TNotesPart& part : notes_)
            for (const auto& note : part.Notes) {
                const std::string& id = copy > 0 ? (part.Footnotes ? ids_.Footnotes : ids_.Endnotes)[note->Id] : note->Id;
                note->Copier->Plan(record, ids_);
                size.Bytes += note->Fixed.Bytes + EscapedSize(id, true) + note->Template->Copy.Bytes + note->Copier->Planned().Bytes;
            }
        return size;
    }
    const TCopyIds& Ids() const { return ids_; }

    // Makes the stories of copy as planned; returns the bytes they hold.
    std::size_t Make(std::size_t copy)
    {
        std::size_t bytes = 0;
        for (const auto& h : headers_) {
            pugi::xml_node root = h->Out.document_element();
            h->Copier->Make(root, pugi::xml_node());
            std::string text = SaveXmlPart(h->Out);
            while (root.first_child())
                root.remove_child(root.first_child());
            bytes += text.size();
            if (copy == 0) {
                parts_.push_back({h->Part, std::move(text)});
                continue;
            }
            const std::string name = NewPartName(*h, copy);
            const std::string& id = ids_.Relationships[h->Id];
            relationships_ += RelationshipElement(id, h->Type, name);
            overrides_ += OverrideElement(name, h->ContentType);
            bytes += RelationshipElement(id, h->Type, name).size() + OverrideElement(name, h->ContentType).size();
            parts_.push_back({name, std::move(text)});
            if (!h->Relationships.empty()) {
                parts_.push_back({RelationshipsPartName(name), h->Relationships});
                bytes += h->Relationships.size();
            }
        }
        for (TNotesPart& part : notes_)
            for (const auto& note : part.Notes) {
                pugi::xml_node made = part.Out.append_copy(note->Shell);
                if (copy > 0)
                    made.attribute("w:id").set_value(IdOf(part.Footnotes ? ids_.Footnotes : ids_.Endnotes, note->Id).c_str());
                note->Copier->Make(made, pugi::xml_node());
                TCountingWriter size;
                made.print(size, "", pugi::format_raw, pugi::encoding_utf8);
                struct TAppend : pugi::xml_writer {
                    std::string& Text;
                    explicit TAppend(std::string& text) : Text(text) {}
                    void write(const void* data, size_t n) override { Text.append(static_cast<const char*>(data), n); }
                } append(part.Made);
                made.print(append, "", pugi::format_raw, pugi::encoding_utf8);
                part.Out.remove_child(made);
                bytes += size.Bytes;
            }
        return bytes;
    }

    // The bytes of the parts that grow with the copies, as they stand before the first copy.
    std::size_t FixedBytes() const
    {
        std::size_t bytes = 0;
        if (OwnHeaders)
            bytes += relationshipsPart_.Size() + contentTypes_.Size();
        for (const TNotesPart& part : notes_)
            bytes += part.Text.Size();
        return bytes;
    }

    // Writes the parts made into the package.
    void Finish()
    {
        if (!package_)
            return;
        if (OwnHeaders) {
            parts_.push_back({relationshipsPart_.Name, relationshipsPart_.Head + relationships_ + relationshipsPart_.Tail});
            parts_.push_back({contentTypes_.Name, contentTypes_.Head + overrides_ + contentTypes_.Tail});
        }
        for (TNotesPart& part : notes_)
            parts_.push_back({part.Text.Name, part.Text.Head + part.Made + part.Text.Tail});
        package_->SetParts(std::move(parts_));
    }

private:
    void ReadStories(TStoryTemplate& body, const TRecordSet& data, const std::vector<pugi::xml_node>& sections)
    {
        const std::string main = package_->MainPartName();
        const std::string rels = RelationshipsPartName(main);
        if (!package_->HasPart(rels))
            return;
        std::unordered_map<std::string, TRelationship> related;
        {
            pugi::xml_document doc;
            ParseXmlPart(doc, package_->Part(rels), rels);
            for (pugi::xml_node r : doc.document_element().children("Relationship")) {
                const std::string id = r.attribute("Id").value();
                // New ids follow the highest "rId" number taken.
                if (id.size() > 3 && id.compare(0, 3, "rId") == 0 && id.find_first_not_of("0123456789", 3) == std::string::npos)
                    nextRelationship_ = std::max(nextRelationship_, std::strtoul(id.c_str() + 3, nullptr, 10) + 1);
                if (std::string(r.attribute("TargetMode").value()) == "External")
                    continue;
                const std::string type = r.attribute("Type").value();
                related[id] = {type.substr(type.rfind('/') + 1), RelationshipTargetPart(main, r.attribute("Target").value())};
            }
        }
        for (const auto& part : package_->Parts())
            partNames_.insert(part.first);

        // Headers and footers the sections refer to, each once.
        std::unordered_set<std::string> seen;
        for (pugi::xml_node s : sections)
            for (pugi::xml_node c = s.first_child(); c; c = c.next_sibling()) {
                const std::string id = c.attribute("r:id").value();
                if (!IsHeaderOrFooterReference(c) || !seen.insert(id).second)
                    continue;
                const auto it = related.find(id);
                if (it == related.end() || (it->second.Type != "header" && it->second.Type != "footer") || !package_->HasPart(it->second.Part))
                    continue;
                auto h = std::make_unique<THeaderStory>();
                h->Id = id;
                h->Part = it->second.Part;
                h->Type = it->second.Type;
                ParseXmlPart(h->Source, package_->Part(h->Part), h->Part);
                pugi::xml_node root = h->Source.document_element();
                h->Template = std::make_unique<TStoryTemplate>(h->Source, root, pugi::xml_node(), data);
                h->Template->Prepare(false, false);
                if (!h->Template->HasFields)
                    continue;
                // The part as written, less its root's children, which each copy makes anew.
                ParseXmlPart(h->Out, package_->Part(h->Part), h->Part);
                h->Fixed = {SaveXmlPart(h->Out).size(), 0};
                for (pugi::xml_node n : h->Template->Nodes)
                    h->Fixed.Bytes -= SizeOf(n).Bytes;
                pugi::xml_node out = h->Out.document_element();
                while (out.first_child())
                    out.remove_child(out.first_child());
                h->ContentType = package_->ContentType(h->Part);
                if (h->ContentType.empty() || h->ContentType == "application/xml")
                    h->ContentType = "application/vnd.openxmlformats-officedocument.wordprocessingml." + h->Type + "+xml";
                const std::string headerRels = RelationshipsPartName(h->Part);
                if (package_->HasPart(headerRels))
                    h->Relationships = package_->Part(headerRels);
                h->Copier = std::make_unique<TCopier>(*h->Template, data);
                headers_.push_back(std::move(h));
            }
        OwnHeaders = Sectioned && !headers_.empty();
        if (!OwnHeaders)
            headers_.clear();
        else {
            relationshipsPart_.Read(*package_, rels, [](pugi::xml_node) { return true; });
            contentTypes_.Read(*package_, "[Content_Types].xml", [](pugi::xml_node) { return true; });
        }

        // The notes the body refers to.
        notes_.reserve(2); // not moved: their documents hold the notes' nodes
        for (const bool foot : {true, false}) {
            std::unordered_set<std::string> referenced;
            for (pugi::xml_node r : body.Found.NoteReferences)
                if (Is(r, foot ? "w:footnoteReference" : "w:endnoteReference"))
                    referenced.insert(r.attribute("w:id").value());
            std::string partName;
            for (const auto& [id, r] : related)
                if (r.Type == (foot ? "footnotes" : "endnotes"))
                    partName = r.Part;
            if (referenced.empty() || partName.empty() || !package_->HasPart(partName))
                continue;
            TNotesPart& part = notes_.emplace_back();
            part.Footnotes = foot;
            ParseXmlPart(part.Source, package_->Part(partName), partName);
            const char* noteName = foot ? "w:footnote" : "w:endnote";
            std::unordered_set<std::string> copied;
            for (pugi::xml_node n : part.Source.document_element().children(noteName)) {
                const std::string id = n.attribute("w:id").value();
                part.NextId = std::max(part.NextId, std::strtol(id.c_str(), nullptr, 10) + 1);
                if (!referenced.count(id) || !copied.insert(id).second)
                    continue;
                auto note = std::make_unique<TNote>();
                note->Id = id;
                note->Template = std::make_unique<TStoryTemplate>(part.Source, n, pugi::xml_node(), data);
                note->Template->Prepare(false, false);
                note->Fixed = SizeOf(n);
                note->Fixed.Bytes -= EscapedSize(id, true);
                for (pugi::xml_node c : note->Template->Nodes)
                    note->Fixed.Bytes -= SizeOf(c).Bytes;
                note->Shell = part.Out.append_copy(n);
                while (note->Shell.first_child())
                    note->Shell.remove_child(note->Shell.first_child());
                note->Copier = std::make_unique<TCopier>(*note->Template, data);
                part.Notes.push_back(std::move(note));
            }
            if (part.Notes.empty()) {
                notes_.pop_back();
                continue;
            }
            part.Text.Read(*package_, partName, [&](pugi::xml_node n) { return !(Is(n, noteName) && copied.count(n.attribute("w:id").value())); });
        }
        Notes = !notes_.empty();
    }

    std::string NewPartName(const THeaderStory& h, std::size_t copy)
    {
        auto& names = newNames_[h.Id];
        while (names.size() < copy) {
            const std::size_t slash = h.Part.rfind('/');
            const std::string folder = slash == std::string::npos ? std::string() : h.Part.substr(0, slash + 1);
            std::string name;
            do
                name = folder + h.Type + std::to_string(nextPart_++) + ".xml";
            while (partNames_.count(name));
            partNames_.insert(name);
            names.push_back(name);
        }
        return names[copy - 1];
    }

    std::string RelationshipElement(const std::string& id, const std::string& type, const std::string& part) const
    {
        const std::string main = package_->MainPartName();
        const std::size_t slash = main.rfind('/');
        const std::string folder = slash == std::string::npos ? std::string() : main.substr(0, slash + 1);
        const std::string target = part.compare(0, folder.size(), folder) == 0 ? part.substr(folder.size()) : "/" + part;
        return "<Relationship Id=\"" + id + "\" Type=\"" + EscapedAttribute(RelationshipTypes + type) + "\" Target=\""
            + EscapedAttribute(target) + "\"/>";
    }

    static std::string OverrideElement(const std::string& part, const std::string& contentType)
    {
        return "<Override PartName=\"/" + EscapedAttribute(part) + "\" ContentType=\"" + EscapedAttribute(contentType) + "\"/>";
    }

    TWordPackage* package_;
    std::vector<std::unique_ptr<THeaderStory>> headers_;
    std::vector<TNotesPart> notes_; // footnotes, endnotes
    TCopyIds ids_;
    TGrowingPart relationshipsPart_, contentTypes_;
    std::string relationships_, overrides_;
    std::vector<std::pair<std::string, std::string>> parts_; // made or changed
    std::unordered_set<std::string> partNames_;
    std::unordered_map<std::string, std::vector<std::string>> newNames_;
    unsigned long nextRelationship_ = 1;
    unsigned long nextPart_ = 1;
};

} // namespace

std::string MergedTooLargeText()
{
    return "Het samenvoegen is afgebroken: de samengevoegde documenten worden groter dan "
        + std::to_string(MaxMergedBytes >> 20) + " MB of " + DutchCount(MaxMergedNodes) + " knooppunten.";
}

namespace {

// The elements of the template that a merged document's layout depends on, and whether any of
// them is copied (lies in one of the body's nodes that copies are made of).
struct TTemplateLayout {
    std::vector<pugi::xml_node> Sections;
    bool SectionCopied = false;
    bool FieldDataInBody = false;

    TTemplateLayout(const pugi::xml_document& doc, const TStoryTemplate& body)
    {
        std::unordered_set<const void*> copied;
        for (pugi::xml_node n : body.Nodes)
            copied.insert(n.internal_object());
        Visit(doc, body, copied, false, false);
    }

private:
    void Visit(pugi::xml_node node, const TStoryTemplate& body, const std::unordered_set<const void*>& copied, bool inBody,
               bool inCopy)
    {
        for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling()) {
            if (n.type() != pugi::node_element)
                continue;
            const bool copy = inCopy || (node == body.Container && copied.count(n.internal_object()));
            if (Is(n, "w:sectPr")) {
                Sections.push_back(n);
                SectionCopied = SectionCopied || copy;
            }
            if (Is(n, "w:ffData") && inBody)
                FieldDataInBody = true;
            if (n != body.Spare)
                Visit(n, body, copied, inBody || n == body.Container, copy);
        }
    }
};

// The sizes of ending a copy with the template's last section: in its last paragraph, or in a
// paragraph of its own.
TMergedSize SectionEndSize(pugi::xml_node last, const TMergedSize& section)
{
    TMergedSize size = section;
    if (!Is(last, "w:p") || last.child("w:pPr").child("w:sectPr"))
        Add(size, {26, 2}); // <w:p><w:pPr></w:pPr></w:p>
    else if (!last.child("w:pPr"))
        Add(size, {15, 1}); // <w:pPr></w:pPr>
    return size;
}

// Ends the copy before End with a copy of End; returns it.
pugi::xml_node EndSection(const TStoryTemplate& body, pugi::xml_node last)
{
    if (!Is(last, "w:p") || last.child("w:pPr").child("w:sectPr"))
        last = Place(body.Paragraph, body.Container, body.End);
    pugi::xml_node props = last.child("w:pPr");
    if (!props)
        props = last.prepend_copy(body.ParagraphProps);
    const pugi::xml_node change = props.child("w:pPrChange");
    return change ? props.insert_copy_before(body.End, change) : props.append_copy(body.End);
}

} // namespace

int MergeDocument(const pugi::xml_document& Main, const TRecordSet& Data, const TMergeOptions& Options,
                  pugi::xml_document& Result, TMergedSize* Size, TMergedLayout* Layout, TWordPackage* Package)
{
    // The result starts as the main document read from its text, so that the copies share the
    // template's names and texts instead of holding their own.
    const std::string text = SaveXmlPart(Main);
    ParseXmlPart(Result, text, "word/document.xml");
    pugi::xml_node bodyNode = Result.document_element().child("w:body");
    pugi::xml_node end = bodyNode.last_child();
    if (!Is(end, "w:sectPr"))
        end = pugi::xml_node();
    TStoryTemplate body(Result, bodyNode, end, Data);
    TStories stories(body, Data, Package);
    TTemplateLayout layout(Result, body);

    std::size_t record = static_cast<std::size_t>(std::max(Options.FirstRecord, 1) - 1);
    const std::size_t last = std::min(Data.Rows.size(), static_cast<std::size_t>(std::max(Options.LastRecord, 0)));
    TMergedSize merged = SizeOf(Result); // without the body's own nodes and the spare ones, which go at the end
    std::vector<pugi::xml_node> going = body.Nodes;
    going.push_back(body.Spare);
    for (pugi::xml_node n : going)
        Subtract(merged, SizeOf(n));
    merged.Bytes += stories.FixedBytes();

    // With sections of their own the copies are apart by section breaks: a copy before another
    // ends with the template's last section in its ids, and the body's own w:sectPr takes the last
    // copy's.
    const auto sectionIds = [&](const TCopyIds& ids) {
        std::size_t bytes = 0;
        for (pugi::xml_node r = end.first_child(); r; r = r.next_sibling())
            if (IsHeaderOrFooterReference(r))
                bytes += EscapedSize(IdOf(ids.Relationships, r.attribute("r:id").value()), true);
        return bytes;
    };
    const std::size_t templateIds = sectionIds(TCopyIds{});
    TMergedSize endSection; // without its ids
    if (stories.Sectioned) {
        endSection = SizeOf(end);
        endSection.Bytes -= templateIds;
    }
    TCopyIds previousIds;
    std::vector<pugi::xml_node> sectionEnds;
    int copies = 0;
    TCopier copier(body, Data);
    while (record < last) {
        const std::size_t copy = static_cast<std::size_t>(copies);
        const TMergedSize storiesSize = stories.Plan(copy, record);
        copier.Plan(record, stories.Ids());
        // Every copy after the first starts on a new page: after a section break, or by a page
        // break in its first paragraph or in one of its own.
        const bool sectionBreak = copies > 0 && stories.Sectioned;
        const bool pageBreak = copies > 0 && !body.Nodes.empty() && (!stories.Sectioned || !stories.FirstSectionStartsPage);
        const bool inFirstParagraph = pageBreak && Is(body.Nodes.front(), "w:p") && !body.FieldStartingAt(body.Nodes.front());
        pugi::xml_node lastMade = end ? end.previous_sibling() : pugi::xml_node();
        while (lastMade && lastMade.type() != pugi::node_element)
            lastMade = lastMade.previous_sibling();
        TMergedSize sectionEnd;
        if (sectionBreak)
            sectionEnd = SectionEndSize(lastMade, Sum(endSection, {sectionIds(previousIds), 0}));
        // The copy with its values, its stories and its breaks is bounded before it is made.
        TMergedSize needed = Sum(Sum(merged, body.Copy), Sum(copier.Planned(), storiesSize));
        Add(needed, sectionEnd);
        if (pageBreak)
            Add(needed, inFirstParagraph ? PageBreakRunSize : PageBreakParagraphSize);
        if (stories.Sectioned)
            needed.Bytes = needed.Bytes + sectionIds(stories.Ids()) - templateIds;
        if (!Fits(needed, Options.Room)) {
            Result.reset();
            if (Layout)
                *Layout = {};
            throw Exception(MergedTooLargeText());
        }

        if (sectionBreak) {
            const pugi::xml_node made = EndSection(body, lastMade);
            for (pugi::xml_node r = made.first_child(); r; r = r.next_sibling())
                if (IsHeaderOrFooterReference(r))
                    if (pugi::xml_attribute id = r.attribute("r:id"))
                        id.set_value(IdOf(previousIds.Relationships, id.value()).c_str());
            sectionEnds.push_back(made);
            Add(merged, sectionEnd);
        }
        if (pageBreak && !inFirstParagraph)
            StartOnNewPage(body, Place(body.Paragraph, body.Container, body.End));
        const pugi::xml_node first = copier.Make(body.Container, body.End);
        if (inFirstParagraph)
            StartOnNewPage(body, first);
        ++copies;
        Add(merged, body.Copy);
        Add(merged, copier.Planned());
        if (Options.SuppressBlankLines)
            Subtract(merged, copier.SuppressBlankLines());
        if (pageBreak)
            Add(merged, inFirstParagraph ? PageBreakRunSize : PageBreakParagraphSize);
        merged.Bytes += stories.Make(copy);
        previousIds = stories.Ids();
        record = copier.Record() + 1;
    }
    if (stories.Sectioned && copies > 0) {
        merged.Bytes = merged.Bytes + sectionIds(previousIds) - templateIds;
        for (pugi::xml_node r = end.first_child(); r; r = r.next_sibling())
            if (IsHeaderOrFooterReference(r))
                if (pugi::xml_attribute id = r.attribute("r:id"))
                    id.set_value(IdOf(previousIds.Relationships, id.value()).c_str());
    }
    for (pugi::xml_node n : body.Nodes)
        body.Container.remove_child(n);
    Result.remove_child(body.Spare);
    stories.Finish();
    if (Layout) {
        *Layout = {};
        if (!layout.SectionCopied) {
            Layout->SectionsKnown = true;
            Layout->Sections = std::move(layout.Sections);
            const auto at = std::find(Layout->Sections.begin(), Layout->Sections.end(), end);
            Layout->Sections.insert(at, sectionEnds.begin(), sectionEnds.end());
        }
        Layout->NoFieldData = !layout.FieldDataInBody;
    }
    if (Size)
        *Size = merged;
    return copies;
}
