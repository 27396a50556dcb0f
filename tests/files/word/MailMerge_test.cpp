#include "MailMerge.h"

#include "WordPackage.h"
#include "WordProcessor.h"
#include "WordTesting.h"
#include "WordXml.h"

#include "ErrorOf.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>

namespace {

// The paragraphs of a merged body, each as its text with marks: "|" tab, "/" line break, "#" page break.
std::vector<std::string> Paragraphs(const pugi::xml_document& doc)
{
    std::vector<std::string> result;
    for (pugi::xpath_node p : doc.select_nodes("//w:body//w:p")) {
        std::string text;
        pugi::xpath_node_set marks = p.node().select_nodes(".//w:t | .//w:tab | .//w:br");
        marks.sort();
        for (pugi::xpath_node n : marks) {
            if (Is(n.node(), "w:t"))
                text += TextOf(n.node());
            else if (Is(n.node(), "w:tab"))
                text += "|";
            else
                text += std::string(n.node().attribute("w:type").value()) == "page" ? "#" : "/";
        }
        result.push_back(text);
    }
    return result;
}

struct Merged {
    int Copies;
    std::vector<std::string> Texts;
    std::string Xml;
};

Merged Merge(const std::string& body, const TRecordSet& data, TMergeOptions options = {})
{
    pugi::xml_document main;
    ParseXmlPart(main, std::string("<w:document ") + WordNamespaces + "><w:body>" + body
                     + "<w:sectPr><w:formProt w:val=\"false\"/></w:sectPr></w:body></w:document>",
                 "main");
    pugi::xml_document result;
    const int copies = MergeDocument(main, data, options, result);
    return {copies, Paragraphs(result), SaveXmlPart(result)};
}

const TRecordSet Kandidaten{{"kand_nr", "naamkand", "plaats"},
                            {{"  1", "Jansen", "Assen"}, {"  2", "de Vries", ""}, {"  3", "Bakker", "Emmen"}}};

TEST(MailMergeTest, OneCopyPerRecordWithBothFieldFormsAndNamesInAnyCase)
{
    const Merged m = Merge("<w:p><w:r><w:t xml:space=\"preserve\">Nr </w:t></w:r>" + ComplexField("MERGEFIELD KAND_NR", "&lt;kand_nr&gt;")
                               + "<w:r><w:t xml:space=\"preserve\"> naam </w:t></w:r>" + SimpleField("MERGEFIELD  NaamKand  \\* MERGEFORMAT")
                               + "</w:p>" + Para("slot"),
                           Kandidaten);
    EXPECT_EQ(m.Copies, 3);
    EXPECT_EQ(m.Texts, (std::vector<std::string>{"Nr   1 naam Jansen", "slot", "#Nr   2 naam de Vries", "slot",
                                                 "#Nr   3 naam Bakker", "slot"}));
    // Fields are gone, the result keeps the field's formatting, the section stays once at the end.
    EXPECT_EQ(m.Xml.find("MERGEFIELD"), std::string::npos);
    EXPECT_EQ(m.Xml.find("fldChar"), std::string::npos);
    EXPECT_NE(m.Xml.find("<w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">  1</w:t></w:r>"), std::string::npos);
    EXPECT_NE(m.Xml.find("<w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\">Jansen</w:t></w:r>"), std::string::npos);
    EXPECT_EQ(m.Xml.rfind("<w:sectPr>"), m.Xml.find("<w:sectPr>"));
    EXPECT_LT(m.Xml.rfind("slot"), m.Xml.find("<w:sectPr>"));
}

// The w:sectPr elements of a merged document, and whether its body holds form-field data, by a
// walk of the whole result: what the merge reports must agree.
void ExpectLayoutAsWalked(const std::string& body, bool sectionsKnown, bool noFieldData)
{
    SCOPED_TRACE(body);
    pugi::xml_document main;
    ParseXmlPart(main, std::string("<w:document ") + WordNamespaces + "><w:body>" + body
                     + "<w:sectPr><w:formProt w:val=\"false\"/></w:sectPr></w:body></w:document>",
                 "main");
    pugi::xml_document result;
    TMergedLayout layout;
    layout.Sections.resize(3); // replaced
    ASSERT_EQ(MergeDocument(main, Kandidaten, {}, result, nullptr, &layout), 3);
    EXPECT_EQ(layout.SectionsKnown, sectionsKnown);
    EXPECT_EQ(layout.NoFieldData, noFieldData);
    std::vector<pugi::xml_node> walked;
    for (pugi::xpath_node n : result.select_nodes("//w:sectPr"))
        walked.push_back(n.node());
    if (sectionsKnown)
        EXPECT_EQ(layout.Sections, walked);
    else
        EXPECT_TRUE(layout.Sections.empty());
    EXPECT_EQ(result.select_nodes("//w:body//w:ffData").empty(), noFieldData);
}

TEST(MailMergeTest, TheLayoutReportedIsTheMergedDocumentsOwn)
{
    const std::string field = ComplexField("MERGEFIELD naamkand", "x");
    ExpectLayoutAsWalked("<w:p>" + field + "</w:p>" + Para("slot"), true, true);
    // A section ending in a copied paragraph is copied with it: not known.
    ExpectLayoutAsWalked("<w:p>" + field + "</w:p><w:p><w:pPr><w:sectPr/></w:pPr></w:p>", false, true);
    ExpectLayoutAsWalked("<w:p><w:pPr><w:sectPr/></w:pPr>" + field + "</w:p>", false, true);
    // A form field of the template is copied with each copy.
    ExpectLayoutAsWalked("<w:p>" + field + "<w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"Tekst1\"/>"
                         "</w:ffData></w:fldChar></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>",
                         true, false);

    // A merge refused for its size knows nothing.
    pugi::xml_document main, result;
    ParseXmlPart(main, std::string("<w:document ") + WordNamespaces + "><w:body><w:p>" + field + "</w:p><w:sectPr/></w:body></w:document>",
                 "main");
    TMergeOptions options;
    options.Room = {100, 1000};
    TMergedLayout layout;
    EXPECT_NE(ErrorOf([&] { MergeDocument(main, Kandidaten, options, result, nullptr, &layout); }), "(no error)");
    EXPECT_FALSE(layout.SectionsKnown);
    EXPECT_TRUE(layout.Sections.empty());
}

TEST(MailMergeTest, NextFieldsTakeTheFollowingRecordsIntoTheSameCopy)
{
    // Two rows per copy: the third record starts a second copy whose NEXT runs past the end.
    const std::string row = "<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>";
    const Merged m = Merge(row + "<w:p>" + SimpleField("NEXT") + "</w:p>" + row, Kandidaten);
    EXPECT_EQ(m.Copies, 2);
    EXPECT_EQ(m.Texts, (std::vector<std::string>{"Jansen", "", "de Vries", "#Bakker", "", ""}));

    // A catalogue in one paragraph.
    const Merged line = Merge("<w:p>" + ComplexField("MERGEFIELD kand_nr") + ComplexField("NEXT") + ComplexField("MERGEFIELD kand_nr")
                                  + ComplexField("NEXT") + ComplexField("MERGEFIELD kand_nr") + "</w:p>",
                              Kandidaten);
    EXPECT_EQ(line.Copies, 1);
    EXPECT_EQ(line.Texts, (std::vector<std::string>{"  1  2  3"}));
}

TEST(MailMergeTest, SuppressBlankLinesDropsOnlyParagraphsWhoseFieldsAllCameOutEmpty)
{
    const std::string body = "<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p><w:p>" + ComplexField("MERGEFIELD plaats")
        + "<w:r><w:t xml:space=\"preserve\"> </w:t></w:r>" + ComplexField("MERGEFIELD onbekend") + "</w:p><w:p>"
        + ComplexField("MERGEFIELD plaats") + "<w:r><w:t>, NL</w:t></w:r></w:p>" + Para("") + Para("einde");
    const TRecordSet second{Kandidaten.Columns, {Kandidaten.Rows[1]}};

    TMergeOptions suppress;
    suppress.SuppressBlankLines = true;
    EXPECT_EQ(Merge(body, second, suppress).Texts, (std::vector<std::string>{"de Vries", ", NL", "", "einde"}));
    EXPECT_EQ(Merge(body, second).Texts, (std::vector<std::string>{"de Vries", " ", ", NL", "", "einde"}));
    // Filled, the line stays.
    const TRecordSet first{Kandidaten.Columns, {Kandidaten.Rows[0]}};
    EXPECT_EQ(Merge(body, first, suppress).Texts, (std::vector<std::string>{"Jansen", "Assen ", "Assen, NL", "", "einde"}));
    // The only paragraph of a table cell stays, emptied.
    const Merged cell = Merge("<w:tbl><w:tr><w:tc><w:p>" + ComplexField("MERGEFIELD plaats") + "</w:p></w:tc></w:tr></w:tbl>", second, suppress);
    EXPECT_EQ(cell.Texts, (std::vector<std::string>{""}));
}

TEST(MailMergeTest, RecordRangeAndEmptyData)
{
    TMergeOptions range;
    range.FirstRecord = 2;
    range.LastRecord = 2;
    const Merged m = Merge("<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>", Kandidaten, range);
    EXPECT_EQ(m.Copies, 1);
    EXPECT_EQ(m.Texts, (std::vector<std::string>{"de Vries"}));

    const Merged none = Merge(Para("x"), TRecordSet{{"a"}, {}});
    EXPECT_EQ(none.Copies, 0);
    EXPECT_TRUE(none.Texts.empty());
}

TEST(MailMergeTest, ValuesBecomeValidTextWhateverBytesTheyHold)
{
    // Windows-1252 in, UTF-8 out; tabs and line ends as marks; other control bytes and XML
    // specials do not break the document.
    const TRecordSet data{{"v"}, {{std::string("Cura\xe7" "ao <&> \"x\"\ta\r\nb\x01" "c\x80")}}};
    const Merged m = Merge("<w:p>" + ComplexField("MERGEFIELD v") + "</w:p>", data);
    EXPECT_EQ(m.Texts, (std::vector<std::string>{"Cura\xc3\xa7" "ao <&> \"x\"|a/bc\xe2\x82\xac"}));
    pugi::xml_document reparsed;
    EXPECT_TRUE(reparsed.load_string(m.Xml.c_str()));
}

TEST(MailMergeTest, TablesAndOtherFieldsAreCopiedAsTheyStand)
{
    const Merged m = Merge("<w:tbl><w:tr><w:tc><w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p></w:tc><w:tc><w:p>"
                               + ComplexField("PAGE", "1") + "</w:p></w:tc></w:tr></w:tbl>",
                           TRecordSet{Kandidaten.Columns, {Kandidaten.Rows[0], Kandidaten.Rows[2]}});
    EXPECT_EQ(m.Copies, 2);
    // The second copy's table is preceded by a paragraph holding the page break.
    EXPECT_EQ(m.Texts, (std::vector<std::string>{"Jansen", "1", "#", "Bakker", "1"}));
    EXPECT_NE(m.Xml.find(" PAGE "), std::string::npos);
}

// A template written with {name} for a merge field and {NEXT} for a NEXT field, merged by plain
// text replacement: each copy the template with the values' runs in place of its fields, every
// copy after the first with a page break run after its first paragraph's properties.
std::string MergedByReplacement(const std::string& body, const TRecordSet& data)
{
    std::string copies;
    for (std::size_t record = 0; record < data.Rows.size(); ++record) {
        std::string copy;
        std::size_t at = 0;
        for (std::size_t open; (open = body.find('{', at)) != std::string::npos; at = body.find('}', open) + 1) {
            copy += body.substr(at, open - at);
            const std::string name = body.substr(open + 1, body.find('}', open) - open - 1);
            if (name == "NEXT") {
                ++record;
                continue;
            }
            const auto column = std::find(data.Columns.begin(), data.Columns.end(), name) - data.Columns.begin();
            const std::string value = record < data.Rows.size() ? data.Rows[record][static_cast<std::size_t>(column)] : "";
            if (!value.empty())
                copy += "<w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\">" + value + "</w:t></w:r>";
        }
        copy += body.substr(at);
        if (!copies.empty())
            copy.insert(copy.find("</w:pPr>") + 8, "<w:r><w:br w:type=\"page\"/></w:r>");
        copies += copy;
    }
    pugi::xml_document doc; // written as the merge writes, empty elements closed at once
    ParseXmlPart(doc, std::string("<w:document ") + WordNamespaces + "><w:body>" + copies
                     + "<w:sectPr><w:formProt w:val=\"false\"/></w:sectPr></w:body></w:document>", "reference");
    return SaveXmlPart(doc);
}

std::string WithFields(std::string body)
{
    for (std::size_t open; (open = body.find('{')) != std::string::npos;) {
        const std::size_t close = body.find('}', open);
        const std::string name = body.substr(open + 1, close - open - 1);
        body.replace(open, close - open + 1, SimpleField(name == "NEXT" ? name : "MERGEFIELD " + name));
    }
    return body;
}

// Holders with attributes and properties, fields in hyperlinks, nested smart tags and table cells,
// a paragraph without fields and NEXT fields that carry the record across copies: every copy is
// the template with its values in place, as plain text replacement makes it.
TEST(MailMergeTest, CopiesAreTheTemplateWithItsValuesInPlaceWhereverTheFieldsStand)
{
    const std::string body =
        "<w:p w:rsidR=\"00A1\" w:rsidRDefault=\"00B2\"><w:pPr><w:jc w:val=\"center\"/></w:pPr>"
        "<w:r><w:t xml:space=\"preserve\">Nr </w:t></w:r>{kand_nr}</w:p>"
        "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tr w:rsidR=\"00C3\"><w:tc><w:tcPr><w:tcW w:w=\"2000\"/></w:tcPr>"
        "<w:p><w:pPr/><w:hyperlink w:anchor=\"a\"><w:r><w:t>naam: </w:t></w:r>{naamkand}</w:hyperlink></w:p></w:tc>"
        "<w:tc><w:p><w:r><w:t>vast &amp; zeker</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"
        "<w:p><w:pPr/><w:smartTag w:uri=\"u\" w:element=\"place\"><w:smartTag w:uri=\"u\" w:element=\"city\">{plaats}</w:smartTag>"
        "</w:smartTag>{NEXT}<w:r><w:t>+</w:t></w:r>{naamkand}</w:p>"
        "<w:p><w:pPr/><w:r><w:t>slot</w:t></w:r></w:p>";
    TRecordSet data{Kandidaten.Columns, {}};
    for (int r = 1; r <= 7; ++r)
        data.Rows.push_back({std::to_string(r), "naam " + std::to_string(r), r % 3 ? "plaats " + std::to_string(r) : ""});
    const Merged m = Merge(WithFields(body), data);
    EXPECT_EQ(m.Copies, 4);
    EXPECT_EQ(m.Xml, MergedByReplacement(body, data));
}

// The shipped forms merged as the driver merges them (blank lines suppressed, markers made form
// fields, protected for forms): the XML parts stay byte for byte what they were.
TEST(MailMergeTest, ShippedFormsMergeToTheSameParts)
{
    TRecordSet data;
    data.Columns = {"kand_nr", "nr", "naamkand", "voorlettrs", "voornaam", "plaats", "adres", "postcode", "gebdatum",
                    "aanduiding", "statunaam", "kandidaten", "briefnr", "kenmerk", "zitting", "NMGEMACHT", "ADRGEMACHT",
                    "PCGEMACHT", "PLGEMACHT", "NMVERVANG", "ADRVERVANG", "PCVERVANG", "PLVERVANG", "dHuidig"};
    for (int r = 1; r <= 45; ++r) {
        std::vector<std::string> row;
        for (std::size_t c = 0; c < data.Columns.size(); ++c)
            row.push_back((r + static_cast<int>(c)) % 7 == 0 ? std::string()
                          : c == 2 ? "Cura\xe7" "ao & <Zo\xeb> " + std::to_string(r)
                          : c == 6 ? "Straat " + std::to_string(r) + "\r\nbus\t2"
                                   : data.Columns[c] + std::to_string(r));
        data.Rows.push_back(row);
    }
    const std::pair<const char*, const char*> expected[] = {
        {"ZV01", "f48a3c42e33ecd72"},
        {"ZV02", "6c5d3883d07dece8"},
        {"ZV03", "cceb8facee0ba91d"},
    };
    QTemporaryDir dir;
    for (const auto& [code, digest] : expected) {
        TWordProcessor word([](const QString&) { return true; });
        word.OpenDocument(std::string(ZORVANDEL_FORMS_DIR) + "ZV/TEMPLATE/" + code + ".dot");
        word.Unprotect("");
        TWordDocument& main = *word.ActiveDocument();
        main.MailMerge.HasDataSource = true;
        main.MailMerge.Data = data;
        word.SetSuppressBlankLines(true);
        word.ExecuteMailMerge(false);
        TFindArgs find;
        find.FindText = "[*]";
        find.Forward = false;
        find.Wrap = wdFindContinue;
        for (word.FindExecute(find); word.FindFound(); word.FindExecute(find))
            word.AddFormField(wdFieldFormTextInput);
        word.Protect(wdAllowOnlyFormFields);
        const QString path = dir.filePath(QString(code) + ".docx");
        word.ActiveDocument()->Package().Save(path);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        const TWordPackage saved = TWordPackage::Load(path);
        for (const auto& [name, bytes] : saved.Parts())
            hash.addData(QByteArrayView(name.c_str(), qsizetype(name.size() + 1))),
                hash.addData(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
        EXPECT_EQ(hash.result().toHex().left(16).toStdString(), digest) << code;
    }
}

std::size_t NodesOf(pugi::xml_node node)
{
    std::size_t count = static_cast<std::size_t>(std::distance(node.attributes_begin(), node.attributes_end())) + 1;
    for (pugi::xml_node c : node.children())
        count += NodesOf(c);
    return count;
}

// What a merge makes is counted as it is made, and a copy that would not fit in the room left
// is refused before it is made.
TEST(MailMergeTest, ACopyThatWouldNotFitIsRefusedBeforeItIsMade)
{
    pugi::xml_document main;
    ParseXmlPart(main, std::string("<?xml version=\"1.0\"?><w:document ") + WordNamespaces + "><w:body><w:p w:rsidR=\"00A1\">"
                     + ComplexField("MERGEFIELD naamkand") + "<w:r><w:t xml:space=\"preserve\"> uit </w:t></w:r>"
                     + ComplexField("MERGEFIELD plaats") + "</w:p><w:tbl><w:tr><w:tc>" + Para("a & b") + "</w:tc></w:tr></w:tbl>"
                     + "<w:sectPr/></w:body></w:document>",
                 "main");
    const TRecordSet data{Kandidaten.Columns, {{"1", "Jansen\tJr.", "Assen\r\nNoord"}, {"2", "<Vries>", ""}, {"3", "Bakker", "Emmen"}}};
    pugi::xml_document result;
    TMergedSize full;
    ASSERT_EQ(MergeDocument(main, data, {}, result, &full), 3);
    std::ostringstream written;
    result.save(written, "", pugi::format_raw, pugi::encoding_utf8);
    EXPECT_EQ(full.Bytes, written.str().size()) << written.str();
    EXPECT_EQ(full.Nodes, NodesOf(result));

    // Room for two copies: two fit, the third is refused, by bytes or by nodes.
    TMergeOptions two;
    two.LastRecord = 2;
    TMergedSize twoCopies;
    ASSERT_EQ(MergeDocument(main, data, two, result, &twoCopies), 2);
    two.Room = twoCopies;
    EXPECT_EQ(MergeDocument(main, data, two, result), 2);
    for (const TMergedSize room : {twoCopies, TMergedSize{twoCopies.Bytes, MaxMergedNodes}, TMergedSize{MaxMergedBytes, twoCopies.Nodes}}) {
        TMergeOptions three;
        three.Room = room;
        EXPECT_EQ(ErrorOf([&] { MergeDocument(main, data, three, result); }), MergedTooLargeText());
        EXPECT_FALSE(result.document_element());
    }
    EXPECT_EQ(MergedTooLargeText(),
              "Het samenvoegen is afgebroken: de samengevoegde documenten worden groter dan 64 MB of 4.000.000 knooppunten.");
}

// In a merged document of many copies, the search finds every marker where the story's text has
// it, forward and backward, also after the form fields before it changed the text's length.
TEST(MailMergeTest, MarkersOfAManyCopiesDocumentAreFoundWhereTheTextHasThem)
{
    TRecordSet data{{"nr"}, {}};
    for (int r = 1; r <= 37; ++r)
        data.Rows.push_back({std::string(static_cast<std::size_t>(r % 5), 'x') + std::to_string(r)});
    for (const bool forward : {true, false}) {
        QTemporaryDir dir;
        const QString path = dir.filePath("markers.dot");
        MakeWordPackage("<w:p>" + ComplexField("MERGEFIELD nr") + "<w:r><w:t xml:space=\"preserve\"> [*] en </w:t></w:r></w:p>"
                        + Para("[*]") + Para("slot"))
            .Save(path);
        TWordProcessor word([](const QString&) { return true; });
        word.OpenDocument(path.toStdString());
        word.ActiveDocument()->MailMerge.HasDataSource = true;
        word.ActiveDocument()->MailMerge.Data = data;
        word.ExecuteMailMerge(false);
        TWordDocument& merged = *word.ActiveDocument();
        if (forward)
            word.HomeKey(wdStory);
        TFindArgs find;
        find.FindText = "[*]";
        find.Forward = forward;
        int fields = 0;
        for (word.FindExecute(find); word.FindFound(); word.FindExecute(find)) {
            const std::string text = merged.StoryText();
            const std::size_t expected = forward ? text.find("[*]") : text.rfind("[*]");
            ASSERT_EQ(merged.SelectionStart(), expected) << fields;
            ASSERT_EQ(merged.SelectionEnd(), expected + 3);
            word.AddFormField(wdFieldFormTextInput);
            ++fields;
        }
        EXPECT_EQ(fields, 2 * 37) << forward;
        EXPECT_EQ(merged.StoryText().find("[*]"), std::string::npos);
    }
}

} // namespace
