#include "MailMerge.h"

#include "WordPackage.h"
#include "WordProcessor.h"
#include "WordTesting.h"
#include "WordXml.h"

#include "ErrorOf.h"
#include "OfficeConvert.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <sstream>
#include <tuple>

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

// A copy is bounded with its values before it is made: a room that the merge fills exactly is
// enough, a byte or a node less is not, and a value larger than the room makes no copy.
TEST(MailMergeTest, ACopyIsBoundedWithItsValuesBeforeItIsMade)
{
    pugi::xml_document main;
    ParseXmlPart(main, std::string("<w:document ") + WordNamespaces + "><w:body><w:p>" + ComplexField("MERGEFIELD naamkand")
                     + ComplexField("MERGEFIELD plaats") + "</w:p><w:sectPr/></w:body></w:document>",
                 "main");
    pugi::xml_document result;
    TMergeOptions two;
    two.LastRecord = 2;
    TMergedSize exact;
    ASSERT_EQ(MergeDocument(main, Kandidaten, two, result, &exact), 2);
    two.Room = exact;
    EXPECT_EQ(MergeDocument(main, Kandidaten, two, result), 2);
    for (const TMergedSize less : {TMergedSize{exact.Bytes - 1, exact.Nodes}, TMergedSize{exact.Bytes, exact.Nodes - 1}}) {
        two.Room = less;
        EXPECT_EQ(ErrorOf([&] { MergeDocument(main, Kandidaten, two, result); }), MergedTooLargeText());
    }

    TMergeOptions small;
    small.Room = {4096, MaxMergedNodes};
    const TRecordSet large{{"naamkand", "plaats"}, {{std::string(200 << 10, 'x'), "Assen"}}};
    EXPECT_EQ(ErrorOf([&] { MergeDocument(main, large, small, result); }), MergedTooLargeText());
    EXPECT_FALSE(result.document_element());
}

// The merged documents not shown yet share one room: two merges of a 12 MB value in three fields
// would hold 72 MB, so the second is refused and the first stays.
TEST(MailMergeTest, MergesThatWouldNotFitTogetherAreRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("groot.dot");
    const std::string field = ComplexField("MERGEFIELD naamkand");
    MakeWordPackage("<w:p>" + field + "</w:p><w:p>" + field + "</w:p><w:p>" + field + "</w:p><w:sectPr/>").Save(path);
    TWordProcessor word([](const QString&) { return true; });
    word.OpenDocument(path.toStdString());
    TWordDocument& main = *word.ActiveDocument();
    main.MailMerge.HasDataSource = true;
    main.MailMerge.Data = TRecordSet{{"naamkand"}, {{std::string(12 << 20, 'x')}}};
    word.ExecuteMailMerge(false);
    EXPECT_EQ(word.DocumentsCount(), 2);
    EXPECT_GT(word.ActiveDocument()->Merged.Bytes, std::size_t(36) << 20);
    word.ActivateDocument(1);
    EXPECT_EQ(ErrorOf([&] { word.ExecuteMailMerge(false); }), MergedTooLargeText());
    EXPECT_EQ(word.DocumentsCount(), 2);
}

// A field in the complex form, its instruction given as runs (nested fields among them).
std::string Begin() { return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r>"; }
std::string Code(const std::string& text, const std::string& props = "")
{
    std::string escaped;
    for (const char c : text)
        escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : std::string(1, c);
    return "<w:r>" + props + "<w:instrText xml:space=\"preserve\">" + escaped + "</w:instrText></w:r>";
}
std::string Result(const std::string& text)
{
    return "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>" + text + "</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}
std::string Nested(const std::string& instruction) { return Begin() + Code(" " + instruction + " ") + Result("&#xAB;x&#xBB;"); }

std::vector<std::string> IfTexts(const std::string& condition, const std::string& texts)
{
    return Merge("<w:p>" + Begin() + Code(" IF ") + condition + Code(" " + texts + " ") + Result("oud") + "</w:p>", Kandidaten).Texts;
}

TEST(MailMergeTest, IfFieldsAreEvaluatedWithTheFieldsNestedInThem)
{
    const std::string plaats = Nested("MERGEFIELD plaats"), nr = Nested("MERGEFIELD kand_nr"), naam = Nested("MERGEFIELD naamkand");
    using T = std::vector<std::string>;
    // Texts compare with regard to case; the record's values go into the text chosen.
    EXPECT_EQ(Merge("<w:p>" + Begin() + Code(" IF ") + plaats + Code(" = \"Assen\" \"Woont in ") + plaats
                        + Code("\" \"Elders\" ") + Result("oud") + "</w:p>",
                    Kandidaten).Texts,
              (T{"Woont in Assen", "#Elders", "#Elders"}));
    EXPECT_EQ(IfTexts(plaats, "= \"assen\" \"ja\" \"nee\""), (T{"nee", "#nee", "#nee"}));
    // Numbers as numbers (the blanks of "  2" do not count), other texts as texts.
    EXPECT_EQ(IfTexts(nr, "> 1 \"na\" \"eerste\""), (T{"eerste", "#na", "#na"}));
    EXPECT_EQ(IfTexts(nr, "<= 2,0 ja nee"), (T{"ja", "#ja", "#nee"}));
    EXPECT_EQ(IfTexts(naam, ">= \"Bakker\" ja nee"), (T{"ja", "#ja", "#ja"}));
    EXPECT_EQ(IfTexts(naam, "< \"Bakker\" ja nee"), (T{"nee", "#nee", "#nee"}));
    EXPECT_EQ(IfTexts(plaats, "<> \"\" \"bekend\""), (T{"bekend", "#", "#bekend"}));
    // Wildcards in a quoted second expression after = and <>.
    EXPECT_EQ(IfTexts(naam, "= \"*Vries\" V W"), (T{"W", "#V", "#W"}));
    EXPECT_EQ(IfTexts(naam, "<> \"?a??e*\" ja nee"), (T{"nee", "#ja", "#nee"}));
    // The text chosen keeps the formatting of its runs and a nested field its own.
    const Merged formatted = Merge("<w:p>" + Begin() + Code(" IF ") + nr + Code(" = 3 \"") + Code("Vet", "<w:rPr><w:b/></w:rPr>")
                                       + Code(" en ") + naam + Code("\" ") + Result("oud") + "</w:p>",
                                   Kandidaten);
    EXPECT_EQ(formatted.Texts, (T{"", "#", "#Vet en Bakker"}));
    EXPECT_NE(formatted.Xml.find("<w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\">Vet</w:t></w:r><w:r><w:t xml:space=\"preserve\"> en </w:t></w:r>"
                                 "<w:r><w:t xml:space=\"preserve\">Bakker</w:t></w:r>"),
              std::string::npos)
        << formatted.Xml;
    EXPECT_EQ(formatted.Xml.find("oud"), std::string::npos);
    EXPECT_EQ(formatted.Xml.find("instrText"), std::string::npos);
    // The simple form, a NEXT in the text chosen, an IF in an IF.
    EXPECT_EQ(Merge("<w:p>" + SimpleField("IF &quot;a b&quot; = &quot;a b&quot; &quot;ja&quot; &quot;nee&quot;") + "</w:p>", Kandidaten).Texts,
              (T{"ja", "#ja", "#ja"}));
    EXPECT_EQ(Merge("<w:p>" + Begin() + Code(" IF ") + nr + Code(" = 1 \"") + Nested("NEXT") + Code("\" ") + Result("") + naam + "</w:p>",
                    Kandidaten).Texts,
              (T{"de Vries", "#Bakker"}));
    EXPECT_EQ(Merge("<w:p>" + Begin() + Code(" IF ") + nr + Code(" > 1 \"") + Begin() + Code(" IF ") + plaats + Code(" = \"\" \"zonder\" \"met\" ")
                        + Result("") + Code("\" \"eerste\"") + Result("") + "</w:p>",
                    Kandidaten).Texts,
              (T{"eerste", "#zonder", "#met"}));
}

// A merge field inside a field that stays is filled there: in its instruction as instruction text.
TEST(MailMergeTest, MergeFieldsInsideOtherFieldsAreFilled)
{
    const Merged m = Merge("<w:p>" + Begin() + Code(" HYPERLINK \"https://example.org/") + Nested("MERGEFIELD kand_nr") + Code("\" ")
                               + Result("link") + "</w:p>",
                           TRecordSet{Kandidaten.Columns, {Kandidaten.Rows[0]}});
    EXPECT_EQ(m.Texts, (std::vector<std::string>{"link"}));
    EXPECT_NE(m.Xml.find("<w:instrText xml:space=\"preserve\"> HYPERLINK \"https://example.org/</w:instrText></w:r><w:r><w:instrText "
                         "xml:space=\"preserve\">  1</w:instrText></w:r><w:r><w:instrText xml:space=\"preserve\">\" </w:instrText>"),
              std::string::npos)
        << m.Xml;
    EXPECT_EQ(m.Xml.find("MERGEFIELD"), std::string::npos);
}

// The two renderings of alternate content (a text box for Word and its fallback) take the same
// records: the NEXT fields in them count once.
TEST(MailMergeTest, AlternateContentIsFilledOnceFromTheSameRecords)
{
    const std::string box = "<w:txbxContent><w:p>" + ComplexField("MERGEFIELD naamkand") + ComplexField("NEXT")
        + ComplexField("MERGEFIELD naamkand") + "</w:p></w:txbxContent>";
    const Merged m = Merge("<w:p><w:r><mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\">"
                           "<mc:Choice Requires=\"wps\"><w:drawing>" + box + "</w:drawing></mc:Choice><mc:Fallback><w:pict>" + box
                               + "</w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p><w:p>" + ComplexField("MERGEFIELD kand_nr") + "</w:p>",
                           Kandidaten);
    EXPECT_EQ(m.Copies, 2);
    EXPECT_EQ(m.Texts, (std::vector<std::string>{"Jansende VriesJansende Vries", "Jansende Vries", "Jansende Vries", "  2",
                                                 "#BakkerBakker", "Bakker", "Bakker", ""}));
}

// A template whose stories beside the body hold fields: a first-page header and a footer with
// fields, a following-page header without, a footnote with a field, and an IF in the body.
TWordPackage StoriesTemplate()
{
    const std::string ns = std::string(" ") + WordNamespaces;
    TWordPackage package = MakeWordPackage(
        "<w:p><w:r><w:t xml:space=\"preserve\">Beste </w:t></w:r>" + ComplexField("MERGEFIELD naamkand")
        + "<w:r><w:rPr><w:vertAlign w:val=\"superscript\"/></w:rPr><w:footnoteReference w:id=\"1\"/></w:r></w:p><w:p>" + Begin()
        + Code(" IF ") + Nested("MERGEFIELD plaats") + Code(" = \"\" \"Zonder woonplaats\" \"Woont in ") + Nested("MERGEFIELD plaats")
        + Code("\" ") + Result("oud") + "</w:p><w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId7\"/>"
        "<w:headerReference w:type=\"first\" r:id=\"rId8\"/><w:footerReference w:type=\"default\" r:id=\"rId9\"/><w:titlePg/></w:sectPr>");
    package.SetPart("word/header1.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:hdr" + ns + ">" + Para("Vervolgblad") + "</w:hdr>");
    package.SetPart("word/header2.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:hdr" + ns
                                            + "><w:p><w:r><w:t xml:space=\"preserve\">Eerste blad voor </w:t></w:r>"
                                            + ComplexField("MERGEFIELD naamkand", "&#xAB;naamkand&#xBB;") + "</w:p></w:hdr>");
    package.SetPart("word/footer1.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:ftr" + ns
                                            + "><w:p><w:r><w:t xml:space=\"preserve\">Kandidaat </w:t></w:r>" + SimpleField("MERGEFIELD kand_nr")
                                            + "</w:p></w:ftr>");
    package.SetPart("word/footnotes.xml",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:footnotes" + ns
                        + "><w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>"
                          "<w:footnote w:type=\"continuationSeparator\" w:id=\"0\"><w:p><w:r><w:continuationSeparator/></w:r></w:p></w:footnote>"
                          "<w:footnote w:id=\"1\"><w:p><w:r><w:rPr><w:vertAlign w:val=\"superscript\"/></w:rPr><w:footnoteRef/></w:r>"
                          "<w:r><w:t xml:space=\"preserve\"> Noot bij </w:t></w:r>" + ComplexField("MERGEFIELD plaats") + "</w:p></w:footnote></w:footnotes>");
    const std::string rel = "<Relationship Id=\"rId%\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    package.SetPart("word/_rels/document.xml.rels",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings\" Target=\"settings.xml\"/>"
                    "<Relationship Id=\"rId7\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" Target=\"header1.xml\"/>"
                    "<Relationship Id=\"rId8\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/header\" Target=\"header2.xml\"/>"
                    "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer\" Target=\"/word/footer1.xml\"/>"
                    "<Relationship Id=\"rId10\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/footnotes\" Target=\"footnotes.xml\"/>"
                    "</Relationships>");
    std::string types = package.Part("[Content_Types].xml");
    const std::string ct = "application/vnd.openxmlformats-officedocument.wordprocessingml.";
    types.insert(types.rfind("</Types>"), "<Override PartName=\"/word/header1.xml\" ContentType=\"" + ct + "header+xml\"/>"
                 "<Override PartName=\"/word/header2.xml\" ContentType=\"" + ct + "header+xml\"/>"
                 "<Override PartName=\"/word/footer1.xml\" ContentType=\"" + ct + "footer+xml\"/>"
                 "<Override PartName=\"/word/footnotes.xml\" ContentType=\"" + ct + "footnotes+xml\"/>");
    package.SetPart("[Content_Types].xml", types);
    return package;
}

// The text of the w:t elements under node.
std::string AllText(pugi::xml_node node)
{
    std::string text;
    for (pugi::xpath_node t : node.select_nodes(".//w:t"))
        text += TextOf(t.node());
    return text;
}

// Each copy has its own sections, its own headers and footers where they hold fields and its own
// notes, all filled from the record it starts with; what is merged is counted whole.
TEST(MailMergeTest, HeadersFootersAndNotesAreFilledForEachCopy)
{
    TWordPackage package = StoriesTemplate();
    const TWordPackage before = package;
    pugi::xml_document main, result;
    ParseXmlPart(main, package.Part("word/document.xml"), "main");
    TMergedSize size;
    TMergedLayout layout;
    ASSERT_EQ(MergeDocument(main, Kandidaten, {}, result, &size, &layout, &package), 3);

    const pugi::xpath_node_set sections = result.select_nodes("//w:sectPr");
    ASSERT_EQ(sections.size(), 3u);
    EXPECT_TRUE(layout.SectionsKnown);
    EXPECT_EQ(layout.Sections.size(), 3u);
    pugi::xml_document rels;
    ParseXmlPart(rels, package.Part("word/_rels/document.xml.rels"), "rels");
    const auto partOf = [&](pugi::xml_node section, const char* reference, const char* type) {
        const std::string id = section.find_child_by_attribute(reference, "w:type", type).attribute("r:id").value();
        return RelationshipTargetPart("word/document.xml", rels.document_element().find_child_by_attribute("Id", id.c_str()).attribute("Target").value());
    };
    const char* const names[] = {"Jansen", "de Vries", "Bakker"};
    const char* const numbers[] = {"  1", "  2", "  3"};
    std::set<std::string> parts;
    for (std::size_t i = 0; i < 3; ++i) {
        const pugi::xml_node section = sections[i].node();
        EXPECT_EQ(Is(section.parent(), "w:pPr"), i < 2);
        EXPECT_EQ(partOf(section, "w:headerReference", "default"), "word/header1.xml"); // no fields: shared
        for (const auto& [reference, type, expected] : {std::tuple{"w:headerReference", "first", std::string("Eerste blad voor ") + names[i]},
                                                        std::tuple{"w:footerReference", "default", std::string("Kandidaat ") + numbers[i]}}) {
            const std::string part = partOf(section, reference, type);
            EXPECT_TRUE(parts.insert(part).second) << part;
            pugi::xml_document story;
            ParseXmlPart(story, package.Part(part), part);
            EXPECT_EQ(AllText(story), expected);
            EXPECT_EQ(package.ContentType(part), before.ContentType(i == 0 ? part : std::string(reference) == "w:footerReference"
                                                                                       ? "word/footer1.xml" : "word/header2.xml"));
        }
        EXPECT_TRUE(section.child("w:titlePg"));
    }
    // The notes: the separators once, each copy's note under its own id.
    pugi::xml_document notes;
    ParseXmlPart(notes, package.Part("word/footnotes.xml"), "notes");
    std::vector<std::string> references, texts;
    for (pugi::xpath_node r : result.select_nodes("//w:footnoteReference"))
        references.push_back(r.node().attribute("w:id").value());
    for (const std::string& id : references)
        texts.push_back(AllText(notes.document_element().find_child_by_attribute("w:footnote", "w:id", id.c_str())));
    EXPECT_EQ(references, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(texts, (std::vector<std::string>{" Noot bij Assen", " Noot bij ", " Noot bij Emmen"}));
    EXPECT_EQ(notes.select_nodes("//w:footnote").size(), 5u);
    EXPECT_EQ(Paragraphs(result), (std::vector<std::string>{"Beste Jansen", "Woont in Assen", "Beste de Vries", "Zonder woonplaats",
                                                            "Beste Bakker", "Woont in Emmen"}));

    // All that the merge wrote counts: the main part and every part it made or changed.
    std::size_t written = SaveXmlPart(result).size();
    for (const auto& [name, text] : package.Parts())
        if (!before.HasPart(name) || before.Part(name) != text || name == "word/_rels/document.xml.rels" || name == "[Content_Types].xml"
            || name == "word/header2.xml" || name == "word/footer1.xml" || name == "word/footnotes.xml")
            written += text.size();
    EXPECT_EQ(size.Bytes, written);
    EXPECT_EQ(package.Parts().size(), before.Parts().size() + 4);

    // Refused for its size, the package stays as it was.
    TWordPackage untouched = StoriesTemplate();
    TMergeOptions room;
    room.Room = {size.Bytes - 1, MaxMergedNodes};
    EXPECT_EQ(ErrorOf([&] { MergeDocument(main, Kandidaten, room, result, nullptr, nullptr, &untouched); }), MergedTooLargeText());
    EXPECT_EQ(untouched.Parts(), StoriesTemplate().Parts());
    room.Room.Bytes = size.Bytes;
    untouched = StoriesTemplate();
    EXPECT_EQ(MergeDocument(main, Kandidaten, room, result, nullptr, nullptr, &untouched), 3);
}

// Writer reads the merged document with each copy's header, footer, note and IF result.
TEST(MailMergeTest, WriterShowsTheStoriesOfEachCopy)
{
    if (QStandardPaths::findExecutable("soffice").isEmpty())
        GTEST_SKIP() << "LibreOffice Writer is not installed";
    QTemporaryDir dir;
    const QString dot = dir.filePath("Kop.dot");
    StoriesTemplate().Save(dot);
    TWordProcessor word([](const QString&) { return true; });
    word.OpenDocument(dot.toStdString());
    word.ActiveDocument()->MailMerge.HasDataSource = true;
    word.ActiveDocument()->MailMerge.Data = Kandidaten;
    word.ExecuteMailMerge(false);
    const QString docx = dir.filePath("Kop.docx");
    word.ActiveDocument()->Save(docx);
    QString error;
    const QString fodt = OfficeConvert(docx, "fodt", dir.path(), &error);
    ASSERT_FALSE(fodt.isEmpty()) << error.toStdString();
    QFile file(fodt);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::string text; // the document's text without its markup
    for (bool inTag = false; const char c : file.readAll().toStdString()) {
        if (c == '<' || c == '>')
            inTag = c == '<';
        else if (!inTag)
            text += c;
    }
    // (Writer keeps a run of blanks as one and a count in its markup.)
    for (const char* expected : {"Eerste blad voor Jansen", "Eerste blad voor de Vries", "Eerste blad voor Bakker", "Kandidaat 1",
                                 "Kandidaat 2", "Kandidaat 3", "Noot bij Assen", "Noot bij Emmen", "Beste de Vries", "Woont in Assen",
                                 "Zonder woonplaats", "Woont in Emmen", "Vervolgblad"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    for (const char* gone : {"naamkand", "oud", "MERGEFIELD"})
        EXPECT_EQ(text.find(gone), std::string::npos) << gone;
}

// The text an IF field with this instruction gives for the first record.
std::string IfGives(const std::string& instruction)
{
    return Merge("<w:p>" + Begin() + Code(" " + instruction + " ") + Result("oud") + "</w:p>", TRecordSet{Kandidaten.Columns, {Kandidaten.Rows[0]}})
        .Texts.at(0);
}

TEST(MailMergeTest, IfComparesNumbersAsNumbersAndOtherTextsAsTexts)
{
    // Each operator, where numbers and texts would order the other way round.
    const std::pair<const char*, const char*> cases[] = {
        {"IF \"10\" = \"9\" ja nee", "nee"},   {"IF \"10\" <> \"9\" ja nee", "ja"}, {"IF \"10\" < \"9\" ja nee", "nee"},
        {"IF \"10\" > \"9\" ja nee", "ja"},    {"IF \"10\" <= \"9\" ja nee", "nee"}, {"IF \"10\" >= \"9\" ja nee", "ja"},
        {"IF \"abc\" = \"abd\" ja nee", "nee"}, {"IF abc <> abd ja nee", "ja"},       {"IF \"abc\" < \"abd\" ja nee", "ja"},
        {"IF \"abc\" > \"abd\" ja nee", "nee"}, {"IF abc <= abc ja nee", "ja"},       {"IF abc >= abd ja nee", "nee"},
        {"IF abc < ABC ja nee", "nee"},        {"IF -3 < -2 ja nee", "ja"},           {"IF \"10\" = \"10.0\" ja nee", "ja"},
        // A decimal comma, a sign, blanks around a number.
        {"IF \"2,5\" > \"10\" ja nee", "nee"}, {"IF \"1,50\" = 1.5 ja nee", "ja"},    {"IF \" +7 \" = 7 ja nee", "ja"},
        // No false text, no texts at all, a quote in a text.
        {"IF 1 = 2 \"ja\"", ""},               {"IF 1 = 1", ""},                      {"IF 1 = 1 \"zeg \\\"ja\\\"\" nee", "zeg \"ja\""},
    };
    for (const auto& [instruction, expected] : cases)
        EXPECT_EQ(IfGives(instruction), expected) << instruction;
}

TEST(MailMergeTest, IfWildcardsMatchCharactersOfTheValue)
{
    const TRecordSet names{{"naam"}, {{"Jansen"}, {"de Vries"}, {"Zo\xeb"}}};
    const auto gives = [&](const std::string& condition) {
        return Merge("<w:p>" + Begin() + Code(" IF ") + Nested("MERGEFIELD naam") + Code(" " + condition + " ja nee ") + Result("oud")
                         + "</w:p>",
                     names)
            .Texts;
    };
    using T = std::vector<std::string>;
    EXPECT_EQ(gives("= \"J*\""), (T{"ja", "#nee", "#nee"}));
    EXPECT_EQ(gives("= \"*s*\""), (T{"ja", "#ja", "#nee"}));
    EXPECT_EQ(gives("= \"??????\""), (T{"ja", "#nee", "#nee"}));
    EXPECT_EQ(gives("<> \"*s\""), (T{"ja", "#nee", "#ja"}));
    EXPECT_EQ(gives("= \"j*\""), (T{"nee", "#nee", "#nee"}));
    // A character of the value is one ?, however many bytes it takes.
    EXPECT_EQ(gives("= \"Zo?\""), (T{"nee", "#nee", "#ja"}));
    EXPECT_EQ(gives("= \"Zo??\""), (T{"nee", "#nee", "#nee"}));
    EXPECT_EQ(gives("= \"*\xc3\xab\""), (T{"nee", "#nee", "#ja"}));
    // Unquoted, or after another operator, * and ? are themselves.
    EXPECT_EQ(gives("= J*"), (T{"nee", "#nee", "#nee"}));
    EXPECT_EQ(gives("> \"J*\""), (T{"ja", "#ja", "#ja"}));
}

// Word splits instructions over runs wherever their formatting or editing changed.
TEST(MailMergeTest, FieldsSplitOverRunsAreReadWhole)
{
    const std::string lang = "<w:rPr><w:lang w:val=\"nl-NL\"/></w:rPr>";
    using T = std::vector<std::string>;
    EXPECT_EQ(Merge("<w:p>" + Begin() + Code(" MERGE") + Code("FIELD naam", lang) + Code("kand ") + Result("x") + "</w:p>", Kandidaten).Texts,
              (T{"Jansen", "#de Vries", "#Bakker"}));
    EXPECT_EQ(Merge("<w:p>" + Begin() + Code(" I", lang) + Code("F ") + Nested("MERGEFIELD kand_nr") + Code(" <", lang) + Code("> 2", lang)
                        + Code(" \"a", lang) + Code("nder\" \"twee\"") + Result("oud") + "</w:p>",
                    Kandidaten)
                  .Texts,
              (T{"ander", "#twee", "#ander"}));
    // An IF in the condition of an IF.
    EXPECT_EQ(Merge("<w:p>" + Begin() + Code(" IF ") + Begin() + Code(" IF ") + Nested("MERGEFIELD plaats") + Code(" = \"\" leeg vol ")
                        + Result("") + Code(" = leeg \"zonder\" \"met\" ") + Result("oud") + "</w:p>",
                    Kandidaten)
                  .Texts,
              (T{"met", "#zonder", "#met"}));
}

TEST(MailMergeTest, SimpleIfFieldsGiveTheirTextInTheirRunsFormatting)
{
    const Merged m = Merge("<w:p>" + SimpleField("IF 1 = 2 &quot;ja&quot; &quot;nee&quot;") + "</w:p>", TRecordSet{{"a"}, {{"1"}}});
    EXPECT_EQ(m.Texts, (std::vector<std::string>{"nee"}));
    EXPECT_NE(m.Xml.find("<w:p><w:r><w:rPr><w:i/></w:rPr><w:t xml:space=\"preserve\">nee</w:t></w:r></w:p>"), std::string::npos) << m.Xml;
    EXPECT_EQ(m.Xml.find("fldSimple"), std::string::npos);
}

// Fields nested far deeper than any template nests them end at once with a result.
TEST(MailMergeTest, DeeplyNestedFieldsEndWithAResult)
{
    const auto nested = [](int depth) {
        std::string body = "<w:p>";
        for (int i = 0; i < depth; ++i)
            body += Begin() + Code(" IF 1 = 1 \"");
        body += Nested("MERGEFIELD naamkand");
        for (int i = 0; i < depth; ++i)
            body += Code("\" ") + Result("oud");
        return Merge(body + "</w:p>", Kandidaten);
    };
    EXPECT_EQ(nested(20).Texts, (std::vector<std::string>{"Jansen", "#de Vries", "#Bakker"}));
    const Merged hostile = nested(1000);
    EXPECT_EQ(hostile.Copies, 3);
    EXPECT_EQ(hostile.Texts, (std::vector<std::string>{"", "#", "#"}));
    EXPECT_EQ(hostile.Xml.find("instrText"), std::string::npos);
}

// A story beside the body: its relationship's id and type, its part's name in word/ and content.
struct TStoryPart {
    std::string Id, Type, Name, Xml;
};

TWordPackage WithStories(const std::string& body, const std::vector<TStoryPart>& stories, const std::string& settings = "")
{
    TWordPackage package = MakeWordPackage(body, settings);
    std::string rels = package.Part("word/_rels/document.xml.rels"), types = package.Part("[Content_Types].xml");
    for (const TStoryPart& s : stories) {
        rels.insert(rels.rfind("</Relationships>"), "<Relationship Id=\"" + s.Id + "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                                                        + s.Type + "\" Target=\"" + s.Name + "\"/>");
        types.insert(types.rfind("</Types>"), "<Override PartName=\"/word/" + s.Name
                                                  + "\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml." + s.Type + "+xml\"/>");
        const std::string root = s.Type == "header" ? "w:hdr" : s.Type == "footer" ? "w:ftr" : "w:" + s.Type;
        package.SetPart("word/" + s.Name, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><" + root + " " + WordNamespaces + ">" + s.Xml
                                              + "</" + root + ">");
    }
    package.SetPart("word/_rels/document.xml.rels", rels);
    package.SetPart("[Content_Types].xml", types);
    return package;
}

// Merges the package's main document; the size it reports must be all that it wrote: the result
// and the parts it made or changed.
int MergeWithStories(TWordPackage& package, pugi::xml_document& result, const TRecordSet& data, TMergeOptions options = {})
{
    pugi::xml_document main;
    ParseXmlPart(main, package.Part("word/document.xml"), "main");
    const TWordPackage before = package;
    TMergedSize size;
    const int copies = MergeDocument(main, data, options, result, &size, nullptr, &package);
    std::size_t written = SaveXmlPart(result).size();
    for (const auto& [name, text] : package.Parts())
        if (!before.HasPart(name) || before.Part(name) != text)
            written += text.size();
    EXPECT_EQ(size.Bytes, written);
    EXPECT_EQ(size.Nodes, NodesOf(result));
    return copies;
}

// The part a section's reference of a type refers to, and the text of a part.
std::string ReferredPart(const TWordPackage& package, pugi::xml_node section, const char* reference, const char* type)
{
    pugi::xml_document rels;
    ParseXmlPart(rels, package.Part("word/_rels/document.xml.rels"), "rels");
    const std::string id = section.find_child_by_attribute(reference, "w:type", type).attribute("r:id").value();
    return RelationshipTargetPart("word/document.xml", rels.document_element().find_child_by_attribute("Id", id.c_str()).attribute("Target").value());
}

std::string TextOfPart(const TWordPackage& package, const std::string& part)
{
    pugi::xml_document doc;
    ParseXmlPart(doc, package.Part(part), part);
    return AllText(doc);
}

// Two sections per copy: the first with a header for following and for even pages, the last with a
// first-page header and a footer.  Each copy's sections refer to its own stories where they hold
// fields, and all to the one header without.
TEST(MailMergeTest, TheSectionsOfEachCopyHaveTheirOwnFirstEvenAndFollowingPageStories)
{
    TWordPackage package = WithStories(
        "<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p><w:p><w:pPr><w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId20\"/>"
            "<w:headerReference w:type=\"even\" r:id=\"rId21\"/></w:sectPr></w:pPr><w:r><w:t>deel een</w:t></w:r></w:p><w:p>"
            + ComplexField("MERGEFIELD plaats") + "</w:p><w:sectPr><w:headerReference w:type=\"first\" r:id=\"rId22\"/>"
            "<w:footerReference w:type=\"default\" r:id=\"rId23\"/><w:titlePg/></w:sectPr>",
        {{"rId20", "header", "vast.xml", Para("Vast")},
         {"rId21", "header", "even.xml", "<w:p><w:r><w:t xml:space=\"preserve\">Even </w:t></w:r>" + ComplexField("MERGEFIELD naamkand") + "</w:p>"},
         {"rId22", "header", "eerste.xml", "<w:p>" + SimpleField("MERGEFIELD plaats") + "</w:p>"},
         {"rId23", "footer", "voet.xml", "<w:p><w:r><w:t xml:space=\"preserve\">Blad </w:t></w:r>" + SimpleField("MERGEFIELD kand_nr") + "</w:p>"}},
        "<w:evenAndOddHeaders/>");
    pugi::xml_document result;
    ASSERT_EQ(MergeWithStories(package, result, Kandidaten), 3);
    EXPECT_EQ(Paragraphs(result), (std::vector<std::string>{"Jansen", "deel een", "Assen", "de Vries", "deel een", "", "Bakker", "deel een", "Emmen"}));
    const pugi::xpath_node_set sections = result.select_nodes("//w:sectPr");
    ASSERT_EQ(sections.size(), 6u);
    const char* const names[] = {"Jansen", "de Vries", "Bakker"};
    const char* const places[] = {"Assen", "", "Emmen"};
    const char* const numbers[] = {"  1", "  2", "  3"};
    std::set<std::string> made;
    for (std::size_t i = 0; i < 3; ++i) {
        const pugi::xml_node first = sections[2 * i].node(), last = sections[2 * i + 1].node();
        EXPECT_EQ(ReferredPart(package, first, "w:headerReference", "default"), "word/vast.xml");
        EXPECT_TRUE(last.child("w:titlePg"));
        const std::string type = "application/vnd.openxmlformats-officedocument.wordprocessingml.";
        for (const auto& [part, text, kind] : {std::tuple{ReferredPart(package, first, "w:headerReference", "even"), std::string("Even ") + names[i], "header"},
                                               std::tuple{ReferredPart(package, last, "w:headerReference", "first"), std::string(places[i]), "header"},
                                               std::tuple{ReferredPart(package, last, "w:footerReference", "default"), std::string("Blad ") + numbers[i], "footer"}}) {
            EXPECT_TRUE(made.insert(part).second) << part;
            EXPECT_EQ(TextOfPart(package, part), text) << part;
            EXPECT_EQ(package.ContentType(part), type + kind + "+xml") << part;
        }
    }
    EXPECT_EQ(TextOfPart(package, "word/vast.xml"), "Vast");
}

// The ids and texts of the notes of a notes part, in its order, and how many separators it holds.
std::vector<std::pair<std::string, std::string>> NotesOf(const TWordPackage& package, const std::string& part, std::size_t& separators)
{
    pugi::xml_document doc;
    ParseXmlPart(doc, package.Part(part), part);
    std::vector<std::pair<std::string, std::string>> notes;
    for (pugi::xml_node n : doc.document_element().children())
        notes.emplace_back(n.attribute("w:id").value(), AllText(n));
    separators = doc.select_nodes("//w:separator | //w:continuationSeparator").size();
    return notes;
}

// Each copy's footnotes and endnotes under ids no other note has, a note the body does not refer
// to and the separators once.
TEST(MailMergeTest, NotesOfEachCopyHaveIdsOfTheirOwn)
{
    const std::string separators = "<w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>"
                                   "<w:footnote w:type=\"continuationSeparator\" w:id=\"0\"><w:p><w:r><w:continuationSeparator/></w:r></w:p></w:footnote>";
    const auto note = [](const char* kind, const char* id, const std::string& content) {
        return std::string("<w:") + kind + " w:id=\"" + id + "\"><w:p><w:r><w:t xml:space=\"preserve\">" + content + "</w:p></w:" + kind + ">";
    };
    std::string endSeparators = separators;
    for (std::size_t at; (at = endSeparators.find("footnote")) != std::string::npos;)
        endSeparators.replace(at, 8, "endnote");
    TWordPackage package = WithStories(
        "<w:p>" + ComplexField("MERGEFIELD naamkand") + "<w:r><w:footnoteReference w:id=\"1\"/></w:r><w:r><w:endnoteReference w:id=\"3\"/></w:r>"
            "<w:r><w:footnoteReference w:id=\"5\"/></w:r></w:p><w:sectPr/>",
        {{"rId30", "footnotes", "footnotes.xml",
          separators + note("footnote", "1", "Noot </w:t></w:r>" + ComplexField("MERGEFIELD plaats")) + note("footnote", "2", "Los</w:t></w:r>")
              + note("footnote", "5", "Nr </w:t></w:r>" + SimpleField("MERGEFIELD kand_nr"))},
         {"rId31", "endnotes", "endnotes.xml", endSeparators + note("endnote", "3", "Eind </w:t></w:r>" + ComplexField("MERGEFIELD naamkand"))}});
    pugi::xml_document result;
    ASSERT_EQ(MergeWithStories(package, result, Kandidaten), 3);
    std::vector<std::string> footnotes, endnotes;
    for (pugi::xpath_node r : result.select_nodes("//w:footnoteReference"))
        footnotes.push_back(r.node().attribute("w:id").value());
    for (pugi::xpath_node r : result.select_nodes("//w:endnoteReference"))
        endnotes.push_back(r.node().attribute("w:id").value());
    EXPECT_EQ(footnotes, (std::vector<std::string>{"1", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(endnotes, (std::vector<std::string>{"3", "4", "5"}));
    using T = std::vector<std::pair<std::string, std::string>>;
    std::size_t count = 0;
    EXPECT_EQ(NotesOf(package, "word/footnotes.xml", count), (T{{"-1", ""}, {"0", ""}, {"2", "Los"}, {"1", "Noot Assen"}, {"5", "Nr   1"},
                                                                {"6", "Noot "}, {"7", "Nr   2"}, {"8", "Noot Emmen"}, {"9", "Nr   3"}}));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(NotesOf(package, "word/endnotes.xml", count),
              (T{{"-1", ""}, {"0", ""}, {"3", "Eind Jansen"}, {"4", "Eind de Vries"}, {"5", "Eind Bakker"}}));
    EXPECT_EQ(count, 2u);
}

// A header's values count against the room before its copy is made: the third copy's header
// would take the merge past the room, and nothing is made.
TEST(MailMergeTest, AHeadersValuesCountAgainstTheRoom)
{
    const auto make = [] {
        return WithStories("<w:p>" + ComplexField("MERGEFIELD kand_nr") + "</w:p><w:sectPr><w:headerReference w:type=\"default\" r:id=\"rId9\"/></w:sectPr>",
                           {{"rId9", "header", "header1.xml", "<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>"}});
    };
    TRecordSet large{Kandidaten.Columns, {}};
    for (const char* nr : {"1", "2", "3"})
        large.Rows.push_back({nr, std::string(300 << 10, 'x'), ""});
    TWordPackage package = make();
    pugi::xml_document result;
    TMergeOptions options;
    options.Room.Bytes = 700 << 10;
    EXPECT_EQ(ErrorOf([&] { MergeWithStories(package, result, large, options); }), MergedTooLargeText());
    EXPECT_FALSE(result.document_element());
    EXPECT_EQ(package.Parts(), make().Parts());
    options.Room.Bytes = 1 << 20;
    EXPECT_EQ(MergeWithStories(package, result, large, options), 3);
}

// Alternate content goes on from the records the first rendering used, whichever holds the NEXT.
TEST(MailMergeTest, AlternateContentGoesOnAfterItsFirstRendering)
{
    const std::string next = "<w:p>" + ComplexField("MERGEFIELD naamkand") + ComplexField("NEXT") + ComplexField("MERGEFIELD naamkand") + "</w:p>";
    const std::string one = "<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>";
    const auto merge = [](const std::string& choice, const std::string& fallback) {
        return Merge("<w:p><w:r><mc:AlternateContent xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"><mc:Choice Requires=\"wps\">"
                     "<w:drawing><w:txbxContent>" + choice + "</w:txbxContent></w:drawing></mc:Choice><mc:Fallback><w:pict><w:txbxContent>" + fallback
                         + "</w:txbxContent></w:pict></mc:Fallback></mc:AlternateContent></w:r></w:p><w:p>" + ComplexField("MERGEFIELD kand_nr") + "</w:p>",
                     Kandidaten);
    };
    const Merged inChoice = merge(next, one);
    EXPECT_EQ(inChoice.Copies, 2);
    EXPECT_EQ(inChoice.Texts, (std::vector<std::string>{"Jansende VriesJansen", "Jansende Vries", "Jansen", "  2", "#BakkerBakker", "Bakker", "Bakker", ""}));
    const Merged inFallback = merge(one, next);
    EXPECT_EQ(inFallback.Copies, 3);
    EXPECT_EQ(inFallback.Texts[0], "JansenJansende Vries");
    EXPECT_EQ(inFallback.Texts[3], "  1");
    EXPECT_EQ(inFallback.Texts[4], "#de Vriesde VriesBakker");
}

} // namespace
