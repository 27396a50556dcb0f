#include "MailMerge.h"

#include "AnsiText.h"
#include "AsciiCase.h"
#include "Exceptions.h"
#include "WordXml.h"

#include <algorithm>
#include <cstring>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

namespace {

struct TMergeField {
    bool Next = false;
    std::string Name;
    pugi::xml_node First, Last; // the field's nodes, siblings from First to Last
    pugi::xml_node Props;       // run properties for its value
    int Column = -1;            // of the data, -1 when the data lacks the name
    TMergedSize Run;            // a value's run with its properties, without its text
};

// Finds the MERGEFIELD and NEXT fields of a copy in document order.
class TFieldFinder {
public:
    std::vector<TMergeField> Fields;

    void Visit(pugi::xml_node node)
    {
        if (Is(node, "w:fldSimple")) {
            if (open_.empty())
                Add(node.attribute("w:instr").value(), node, node, node.child("w:r").child("w:rPr"));
            return; // its runs are its result
        }
        if (Is(node, "w:fldChar")) {
            const std::string type = node.attribute("w:fldCharType").value();
            pugi::xml_node run = node.parent();
            if (type == "begin") {
                open_.push_back({run, "", false, pugi::xml_node()});
            } else if (type == "separate" && !open_.empty()) {
                open_.back().Separated = true;
            } else if (type == "end" && !open_.empty()) {
                const TOpen field = open_.back();
                open_.pop_back();
                if (open_.empty() && field.Begin.parent() == run.parent())
                    Add(field.Instruction, field.Begin, run,
                        field.ResultProps ? field.ResultProps : field.Begin.child("w:rPr"));
            }
            return;
        }
        if (Is(node, "w:instrText")) {
            if (!open_.empty() && !open_.back().Separated)
                open_.back().Instruction += TextOf(node);
            return;
        }
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
        bool Separated;
        pugi::xml_node ResultProps;
    };

    void Add(const std::string& instruction, pugi::xml_node first, pugi::xml_node last, pugi::xml_node props)
    {
        const TFieldInstruction parsed = ParseFieldInstruction(instruction);
        if (parsed.Keyword != "MERGEFIELD" && parsed.Keyword != "NEXT")
            return;
        TMergeField field;
        field.Next = parsed.Keyword == "NEXT";
        field.Name = field.Next ? std::string() : parsed.Argument;
        field.First = first;
        field.Last = last;
        field.Props = props;
        Fields.push_back(std::move(field));
    }

    std::vector<TOpen> open_;
};

int ColumnIndex(const TRecordSet& data, const std::string& name)
{
    for (std::size_t i = 0; i < data.Columns.size(); ++i) {
        const std::string& c = data.Columns[i];
        if (AsciiSameText(c, name))
            return static_cast<int>(i);
    }
    return -1;
}

struct TCountingWriter : pugi::xml_writer {
    std::size_t Bytes = 0;
    void write(const void*, size_t size) override { Bytes += size; }
};

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

// A page break at the start of a copy: a run with a break, in the copy's first paragraph or in a
// paragraph of its own.
const TMergedSize PageBreakRunSize{32, 3};
const TMergedSize PageBreakParagraphSize{43, 4};

// One step of making a copy: a node copied whole, a holder opened (its children follow up to its
// Close) or closed, or a field merged.
struct TCopyStep {
    enum TKind : unsigned char { Copy, Open, Close, Field };
    TKind Kind;
    bool Paragraph = false;    // an Open of a w:p
    pugi::xml_node Node;       // Copy: the node; Open: the holder without its children
    std::size_t FieldIndex = 0;
};

// The main document's body, seen once: the nodes a copy is made of, its fields, the nodes that
// hold a field (copied element by element), the steps that make a copy and the size of a copy
// without its values.
struct TBodyTemplate {
    pugi::xml_node Body, SectPr;
    std::vector<pugi::xml_node> Nodes;
    std::vector<TMergeField> Fields;
    std::vector<TCopyStep> Steps;
    std::unordered_map<const void*, std::size_t> FieldAt; // by its first node
    std::unordered_set<const void*> Holders;
    TMergedSize Copy;
    // What values and page breaks are made of, read as text into the result (removed at the end),
    // so that their copies share its names instead of holding their own.
    pugi::xml_node Spare, Run, Text, Tab, Break, PageRun, Paragraph;

    TBodyTemplate(pugi::xml_document& doc, const TRecordSet& data)
    {
        static const char spare[] = "<w:r/><w:t xml:space=\"preserve\"/><w:tab/><w:br/><w:r><w:br w:type=\"page\"/></w:r><w:p/>";
        Spare = doc.append_child(pugi::node_element);
        Spare.append_buffer(spare, sizeof spare - 1, XmlParseOptions, pugi::encoding_utf8);
        Run = Spare.child("w:r");
        Text = Spare.child("w:t");
        Tab = Spare.child("w:tab");
        Break = Spare.child("w:br");
        PageRun = Run.next_sibling("w:r");
        Paragraph = Spare.child("w:p");

        Body = doc.document_element().child("w:body");
        SectPr = Body.last_child();
        if (!Is(SectPr, "w:sectPr"))
            SectPr = pugi::xml_node();
        TFieldFinder finder;
        for (pugi::xml_node n = Body.first_child(); n; n = n.next_sibling())
            if (n != SectPr) {
                Nodes.push_back(n);
                finder.Visit(n);
            }
        Fields = std::move(finder.Fields);
        for (std::size_t i = 0; i < Fields.size(); ++i) {
            TMergeField& f = Fields[i];
            FieldAt.emplace(f.First.internal_object(), i);
            for (pugi::xml_node up = f.First.parent(); up && up != Body; up = up.parent())
                Holders.insert(up.internal_object());
            if (!f.Next)
                f.Column = ColumnIndex(data, f.Name);
            f.Run = {11, 1};
            if (f.Props)
                Add(f.Run, SizeOf(f.Props));
        }
        for (pugi::xml_node n : Nodes)
            if (!FieldAt.count(n.internal_object()))
                Add(Copy, KeptSize(n));
        for (pugi::xml_node n = Body.first_child(); n && n != SectPr; n = n.next_sibling())
            n = AddSteps(n);
    }

    // The steps for n, or for the field that starts at n; returns the last node they take.
    pugi::xml_node AddSteps(pugi::xml_node n)
    {
        if (const auto it = FieldAt.find(n.internal_object()); it != FieldAt.end()) {
            Steps.push_back({TCopyStep::Field, false, pugi::xml_node(), it->second});
            return Fields[it->second].Last;
        }
        if (!IsHolder(n)) {
            Steps.push_back({TCopyStep::Copy, false, n, 0});
            return n;
        }
        // The holder's own tags come from a childless copy among the spare nodes, so that its
        // copies share the template's names.
        pugi::xml_node shell = Spare.append_copy(n);
        while (shell.first_child())
            shell.remove_child(shell.first_child());
        Steps.push_back({TCopyStep::Open, Is(n, "w:p"), shell, 0});
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
            c = AddSteps(c);
        Steps.push_back({TCopyStep::Close, false, pugi::xml_node()});
        return n;
    }

    bool IsHolder(pugi::xml_node n) const { return Holders.count(n.internal_object()) != 0; }
    const TMergeField* FieldStartingAt(pugi::xml_node n) const
    {
        const auto it = FieldAt.find(n.internal_object());
        return it == FieldAt.end() ? nullptr : &Fields[it->second];
    }

    // What a copy keeps of n: all of it, or for a holder its tags and what it keeps of its children.
    TMergedSize KeptSize(pugi::xml_node n) const
    {
        if (!IsHolder(n))
            return SizeOf(n);
        TMergedSize size{2 * std::strlen(n.name()) + 5, 1};
        for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
            Add(size, {std::strlen(a.name()) + std::strlen(a.value()) + 4, 1});
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
            if (const TMergeField* field = FieldStartingAt(c))
                c = field->Last;
            else
                Add(size, KeptSize(c));
        }
        return size;
    }
};

// The UTF-8 text as written in XML.
std::size_t EscapedSize(const std::string& utf8)
{
    std::size_t size = utf8.size();
    for (const char c : utf8)
        size += c == '&' ? 4 : c == '<' || c == '>' ? 3 : 0;
    return size;
}

pugi::xml_node Place(pugi::xml_node node, pugi::xml_node parent, pugi::xml_node position)
{
    return position ? parent.insert_copy_before(node, position) : parent.append_copy(node);
}

// The value as a run before position in parent (at its end when null); nothing for an empty value.
// utf8 is room for its text, kept from value to value.
TMergedSize InsertValue(const TBodyTemplate& body, pugi::xml_node parent, pugi::xml_node position, const TMergeField& field,
                        const std::string& ansi, std::string& utf8)
{
    TMergedSize added;
    if (ansi.empty())
        return added;
    pugi::xml_node run = Place(body.Run, parent, position);
    if (field.Props)
        run.append_copy(field.Props);
    added = field.Run;
    utf8.clear();
    const auto flush = [&] {
        if (!utf8.empty()) {
            run.append_copy(body.Text).append_child(pugi::node_pcdata).set_value(utf8.c_str());
            Add(added, {32 + EscapedSize(utf8), 3});
        }
        utf8.clear();
    };
    for (std::size_t i = 0; i < ansi.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(ansi[i]);
        if (c >= 0x20 && c < 0x80) { // ASCII stays as it is, a stretch at a time
            std::size_t j = i + 1;
            while (j < ansi.size() && static_cast<unsigned char>(ansi[j]) >= 0x20 && static_cast<unsigned char>(ansi[j]) < 0x80)
                ++j;
            utf8.append(ansi, i, j - i);
            i = j - 1;
        } else if (c == '\t') {
            flush();
            run.append_copy(body.Tab);
            Add(added, {8, 1});
        } else if (c == '\r' || c == '\n') {
            flush();
            run.append_copy(body.Break);
            Add(added, {7, 1});
            if (c == '\r' && i + 1 < ansi.size() && ansi[i + 1] == '\n')
                ++i;
        } else if (c >= 0x20) {
            AppendAnsiAsUtf8(utf8, static_cast<char>(c));
        }
    }
    flush();
    return added;
}

// A paragraph may go unless it ends a section or is the last one of a table cell.
bool MayDrop(pugi::xml_node p)
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

bool Contains(pugi::xml_node outer, pugi::xml_node inner)
{
    for (pugi::xml_node n = inner.parent(); n; n = n.parent())
        if (n == outer)
            return true;
    return false;
}

void StartOnNewPage(const TBodyTemplate& body, pugi::xml_node p)
{
    pugi::xml_node props = p.child("w:pPr");
    if (props)
        p.insert_copy_after(body.PageRun, props);
    else
        p.prepend_copy(body.PageRun);
}

// Makes copies of the body at a place in the result, their fields merged from a record on.
class TCopier {
public:
    TCopier(const TBodyTemplate& body, const TRecordSet& data) : body_(body), data_(data) {}

    std::size_t Record() const { return record_; }
    TMergedSize Values() const { return values_; }

    // Copies the template's nodes into parent before position (at its end when null), merging
    // from record on; returns the first node made.
    pugi::xml_node CopyNodes(pugi::xml_node parent, pugi::xml_node position, std::size_t record)
    {
        record_ = record;
        values_ = {};
        paragraphs_.clear();
        open_.clear();
        pugi::xml_node first, at = parent, paragraph;
        for (const TCopyStep& step : body_.Steps) {
            const pugi::xml_node before = open_.empty() ? position : pugi::xml_node();
            switch (step.Kind) {
            case TCopyStep::Copy: {
                const pugi::xml_node made = Place(step.Node, at, before);
                first = first ? first : made;
                break;
            }
            case TCopyStep::Open: {
                const pugi::xml_node made = Place(step.Node, at, before);
                first = first ? first : made;
                open_.emplace_back(at, paragraph);
                at = made;
                if (step.Paragraph)
                    paragraph = made;
                break;
            }
            case TCopyStep::Close:
                std::tie(at, paragraph) = open_.back();
                open_.pop_back();
                break;
            case TCopyStep::Field:
                Merge(body_.Fields[step.FieldIndex], at, before, paragraph);
                break;
            }
        }
        return first;
    }

    // With SuppressBlankLines: drops the paragraphs of the last copy whose merge fields all came
    // out empty.
    void SuppressBlankLines()
    {
        for (std::size_t i = 0; i < paragraphs_.size(); ++i) {
            const auto [p, filled] = paragraphs_[i];
            if (!p || filled || !IsBlankParagraph(p) || !MayDrop(p))
                continue;
            for (std::size_t j = i + 1; j < paragraphs_.size(); ++j)
                if (paragraphs_[j].first && Contains(p, paragraphs_[j].first))
                    paragraphs_[j].first = pugi::xml_node(); // goes with it
            p.parent().remove_child(p);
        }
    }

private:
    void Merge(const TMergeField& field, pugi::xml_node parent, pugi::xml_node position, pugi::xml_node paragraph)
    {
        if (field.Next) {
            ++record_;
            return;
        }
        const std::string none;
        const std::string& value = record_ < data_.Rows.size() && field.Column >= 0
                && static_cast<std::size_t>(field.Column) < data_.Rows[record_].size()
            ? data_.Rows[record_][static_cast<std::size_t>(field.Column)]
            : none;
        Add(values_, InsertValue(body_, parent, position, field, value, utf8_));
        const auto it = std::find_if(paragraphs_.begin(), paragraphs_.end(), [&](const auto& e) { return e.first == paragraph; });
        if (it == paragraphs_.end())
            paragraphs_.emplace_back(paragraph, !value.empty());
        else
            it->second = it->second || !value.empty();
    }

    const TBodyTemplate& body_;
    const TRecordSet& data_;
    std::size_t record_ = 0;
    TMergedSize values_;
    std::string utf8_;
    std::vector<std::pair<pugi::xml_node, bool>> paragraphs_; // with whether a field gave text
    std::vector<std::pair<pugi::xml_node, pugi::xml_node>> open_; // the holders' parents and paragraphs
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

    TTemplateLayout(const pugi::xml_document& doc, const TBodyTemplate& body)
    {
        std::unordered_set<const void*> copied;
        for (pugi::xml_node n : body.Nodes)
            copied.insert(n.internal_object());
        Visit(doc, body, copied, false, false);
    }

private:
    void Visit(pugi::xml_node node, const TBodyTemplate& body, const std::unordered_set<const void*>& copied, bool inBody,
               bool inCopy)
    {
        for (pugi::xml_node n = node.first_child(); n; n = n.next_sibling()) {
            if (n.type() != pugi::node_element)
                continue;
            const bool copy = inCopy || (node == body.Body && copied.count(n.internal_object()));
            if (Is(n, "w:sectPr")) {
                Sections.push_back(n);
                SectionCopied = SectionCopied || copy;
            }
            if (Is(n, "w:ffData") && inBody)
                FieldDataInBody = true;
            if (n != body.Spare)
                Visit(n, body, copied, inBody || n == body.Body, copy);
        }
    }
};

} // namespace

int MergeDocument(const pugi::xml_document& Main, const TRecordSet& Data, const TMergeOptions& Options,
                  pugi::xml_document& Result, TMergedSize* Size, TMergedLayout* Layout)
{
    // The result starts as the main document read from its text, so that the copies share the
    // template's names and texts instead of holding their own.
    const std::string text = SaveXmlPart(Main);
    ParseXmlPart(Result, text, "word/document.xml");
    TBodyTemplate body(Result, Data);
    if (Layout) {
        *Layout = {};
        TTemplateLayout layout(Result, body);
        if (!layout.SectionCopied) {
            Layout->SectionsKnown = true;
            Layout->Sections = std::move(layout.Sections);
        }
        Layout->NoFieldData = !layout.FieldDataInBody;
    }

    std::size_t record = static_cast<std::size_t>(std::max(Options.FirstRecord, 1) - 1);
    const std::size_t end = std::min(Data.Rows.size(), static_cast<std::size_t>(std::max(Options.LastRecord, 0)));
    TMergedSize merged = SizeOf(Result); // without the body's own nodes and the spare ones, which go at the end
    std::vector<pugi::xml_node> going = body.Nodes;
    going.push_back(body.Spare);
    for (pugi::xml_node n : going) {
        const TMergedSize own = SizeOf(n);
        merged.Bytes -= own.Bytes;
        merged.Nodes -= own.Nodes;
    }
    int copies = 0;
    TCopier copier(body, Data);
    while (record < end) {
        if (merged.Bytes + body.Copy.Bytes + PageBreakParagraphSize.Bytes > Options.Room.Bytes
            || merged.Nodes + body.Copy.Nodes + PageBreakParagraphSize.Nodes > Options.Room.Nodes) {
            Result.reset();
            if (Layout)
                *Layout = {};
            throw Exception(MergedTooLargeText());
        }
        // Every copy after the first starts on a new page: in its first paragraph, or one of its own.
        const bool pageBreak = copies > 0 && !body.Nodes.empty();
        const bool inFirstParagraph = pageBreak && Is(body.Nodes.front(), "w:p") && !body.FieldStartingAt(body.Nodes.front());
        if (pageBreak && !inFirstParagraph) {
            StartOnNewPage(body, Place(body.Paragraph, body.Body, body.SectPr));
        }
        const pugi::xml_node first = copier.CopyNodes(body.Body, body.SectPr, record);
        if (inFirstParagraph)
            StartOnNewPage(body, first);
        if (Options.SuppressBlankLines)
            copier.SuppressBlankLines();
        record = copier.Record() + 1;
        ++copies;
        Add(merged, body.Copy);
        Add(merged, copier.Values());
        if (pageBreak)
            Add(merged, inFirstParagraph ? PageBreakRunSize : PageBreakParagraphSize);
    }
    for (pugi::xml_node n : body.Nodes)
        body.Body.remove_child(n);
    Result.remove_child(body.Spare);
    if (Size)
        *Size = merged;
    return copies;
}
