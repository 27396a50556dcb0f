#include "MailMerge.h"

#include "AnsiText.h"
#include "AsciiCase.h"
#include "WordXml.h"

#include <algorithm>

namespace {

struct TMergeField {
    bool Next = false;
    std::string Name;
    pugi::xml_node First, Last; // the field's nodes, siblings from First to Last
    pugi::xml_node Props;       // run properties for its value
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
        if (parsed.Keyword == "MERGEFIELD")
            Fields.push_back({false, parsed.Argument, first, last, props});
        else if (parsed.Keyword == "NEXT")
            Fields.push_back({true, "", first, last, props});
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

// The value as a run before the field's first node; nothing for an empty value.
void InsertValue(const TMergeField& field, const std::string& ansi)
{
    if (ansi.empty())
        return;
    pugi::xml_node parent = field.First.parent();
    pugi::xml_node run = NewRun(parent, field.First, field.Props);
    std::string text;
    const auto flush = [&] {
        if (!text.empty())
            SetText(run.append_child("w:t"), AnsiToQString(text).toStdString());
        text.clear();
    };
    for (std::size_t i = 0; i < ansi.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(ansi[i]);
        if (c == '\t') {
            flush();
            run.append_child("w:tab");
        } else if (c == '\r' || c == '\n') {
            flush();
            run.append_child("w:br");
            if (c == '\r' && i + 1 < ansi.size() && ansi[i + 1] == '\n')
                ++i;
        } else if (c >= 0x20) {
            text += static_cast<char>(c);
        }
    }
    flush();
}

void RemoveField(const TMergeField& field)
{
    pugi::xml_node parent = field.First.parent();
    pugi::xml_node node = field.First;
    while (node) {
        const pugi::xml_node next = node.next_sibling();
        const bool last = node == field.Last;
        parent.remove_child(node);
        if (last)
            break;
        node = next;
    }
}

pugi::xml_node ParagraphOf(pugi::xml_node node)
{
    while (node && !Is(node, "w:p"))
        node = node.parent();
    return node;
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

void StartOnNewPage(pugi::xml_node first)
{
    pugi::xml_node p = first;
    if (!Is(first, "w:p")) {
        p = first.parent().insert_child_before("w:p", first);
    }
    pugi::xml_node props = p.child("w:pPr");
    pugi::xml_node run = props ? p.insert_child_after("w:r", props) : p.prepend_child("w:r");
    run.append_child("w:br").append_attribute("w:type") = "page";
}

// Merges the fields of one copy, starting with record; the last record used.
std::size_t MergeCopy(const std::vector<pugi::xml_node>& nodes, const TRecordSet& data, std::size_t record,
                      bool suppressBlankLines)
{
    TFieldFinder finder;
    for (pugi::xml_node n : nodes)
        finder.Visit(n);

    std::vector<std::pair<pugi::xml_node, bool>> paragraphs; // with whether a field gave text
    for (const TMergeField& field : finder.Fields) {
        if (field.Next) {
            ++record;
        } else {
            const int column = ColumnIndex(data, field.Name);
            const std::string value = record < data.Rows.size() && column >= 0
                    && static_cast<std::size_t>(column) < data.Rows[record].size()
                ? data.Rows[record][static_cast<std::size_t>(column)]
                : std::string();
            InsertValue(field, value);
            const pugi::xml_node p = ParagraphOf(field.First);
            const auto it = std::find_if(paragraphs.begin(), paragraphs.end(), [&](const auto& e) { return e.first == p; });
            if (it == paragraphs.end())
                paragraphs.emplace_back(p, !value.empty());
            else
                it->second = it->second || !value.empty();
        }
        RemoveField(field);
    }
    if (suppressBlankLines)
        for (const auto& [p, filled] : paragraphs)
            if (p && !filled && IsBlankParagraph(p) && MayDrop(p))
                p.parent().remove_child(p);
    return record;
}

} // namespace

int MergeDocument(const pugi::xml_document& Main, const TRecordSet& Data, const TMergeOptions& Options,
                  pugi::xml_document& Result)
{
    Result.reset(Main);
    pugi::xml_node body = Result.document_element().child("w:body");
    pugi::xml_node sectPr = body.last_child();
    if (!Is(sectPr, "w:sectPr"))
        sectPr = pugi::xml_node();

    pugi::xml_document originals;
    pugi::xml_node holder = originals.append_child("body");
    for (pugi::xml_node n = body.first_child(); n;) {
        const pugi::xml_node next = n.next_sibling();
        if (n != sectPr) {
            holder.append_copy(n);
            body.remove_child(n);
        }
        n = next;
    }

    std::size_t record = static_cast<std::size_t>(std::max(Options.FirstRecord, 1) - 1);
    const std::size_t end = std::min(Data.Rows.size(), static_cast<std::size_t>(std::max(Options.LastRecord, 0)));
    int copies = 0;
    while (record < end) {
        std::vector<pugi::xml_node> nodes;
        for (pugi::xml_node c : holder.children())
            nodes.push_back(sectPr ? body.insert_copy_before(c, sectPr) : body.append_copy(c));
        if (copies > 0 && !nodes.empty())
            StartOnNewPage(nodes.front());
        record = MergeCopy(nodes, Data, record, Options.SuppressBlankLines) + 1;
        ++copies;
    }
    return copies;
}
