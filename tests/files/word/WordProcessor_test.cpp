#include "WordProcessor.h"

#include "AddressSpaceLimit.h"
#include "AnsiText.h"
#include "ChildRun.h"
#include "ErrorOf.h"
#include "FileSizeLimit.h"
#include "ModalAnswer.h"
#include "PrivateTempFolder.h"
#include "RegistryStore.h"
#include "WordTesting.h"
#include "WordXml.h"
#include "uUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string Marker = "[*]";
const std::string FieldText = "\u2002\u2002\u2002\u2002\u2002"; // a new text field's five en spaces

class WordProcessorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(RegistryStore::FileName(HKEY_CURRENT_USER));
        InstallODBCDriverIfNecessary();
        WriteData("kand.txt", "\"kand_nr\"\t\"naamkand\"\t\"plaats\"\r\n\"  1\"\t\"Jansen\"\t\"Assen\"\r\n"
                              "\"  2\"\t\"de Vries\"\t\"\"\r\n\" 10\"\t\"\xc7" "elik\"\t\"Emmen\"\r\n");
        WriteData("SCHEMA.INI", "[kand.txt]\r\nColNameHeader=True\r\nFormat=TabDelimited\r\nMaxScanRows=25\r\n");
    }
    void TearDown() override { QFile::remove(RegistryStore::FileName(HKEY_CURRENT_USER)); }

    void WriteData(const QString& name, const std::string& bytes)
    {
        QFile f(data.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    // A template code + ".dot" in the templates folder.
    std::string Template(const std::string& code, const std::string& body, const std::string& settings = FormsProtection)
    {
        const QString path = templates.filePath(QString::fromStdString(code) + ".dot");
        MakeWordPackage(body, settings).Save(path);
        return path.toStdString();
    }

    TOpenDataSourceArgs Source(const std::string& sql) const
    {
        TOpenDataSourceArgs args;
        args.Name = data.path().toStdString() + "/";
        args.Format = wdOpenFormatText;
        args.LinkToSource = true;
        args.Connection = "DSN=Text Files;DBQ=" + args.Name + ";DefaultDir=" + args.Name;
        args.SQLStatement = sql.substr(0, 255);
        args.SQLStatement1 = sql.size() > 255 ? sql.substr(255) : "";
        return args;
    }

    // Opens, unprotects and merges a template as the driver does; the merged document is active.
    void Merge(const std::string& path, const std::string& sql)
    {
        word.OpenDocument(path);
        word.Unprotect("");
        word.OpenDataSource(Source(sql));
        word.SetMailMergeDestination(wdSendToNewDocument);
        word.SetMailAsAttachment(false);
        word.SetMailAddressFieldName("");
        word.SetMailSubject("");
        word.SetSuppressBlankLines(true);
        word.SetFirstRecord(1);
        word.SetLastRecord(1000000);
        word.ExecuteMailMerge(false);
    }

    // Every "[*]" of the active document becomes a text form field, as the driver does it.
    int AddFields()
    {
        TFindArgs find;
        find.FindText = Marker;
        find.Forward = false;
        find.Wrap = wdFindContinue;
        int added = 0;
        word.FindClearFormatting();
        word.FindExecute(find);
        while (word.FindFound()) {
            word.AddFormField(wdFieldFormTextInput);
            ++added;
            word.FindExecute(find);
        }
        return added;
    }

    QTemporaryDir templates;
    QTemporaryDir data;
    std::vector<QString> opened;
    TWordProcessor word{[this](const QString& path) {
        opened.push_back(path);
        return true;
    }};
};

std::string PartXml(const TWordDocument& doc, const std::string& part) { return doc.Package().Part(part); }

int Count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (auto pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + what.size()))
        ++n;
    return n;
}

TEST_F(WordProcessorTest, AFormMadeAsTheDriverMakesItIsMergedFilledProtectedAndShown)
{
    const std::string dot = Template("K1", Para("Kandidaat") + "<w:p>" + ComplexField("MERGEFIELD kand_nr") + "<w:r><w:t xml:space=\"preserve\"> - </w:t></w:r>"
                                               + SimpleField("MERGEFIELD NAAMKAND") + "</w:p>"
                                               + "<w:p><w:r><w:t xml:space=\"preserve\">Handtekening: [*] datum </w:t></w:r>"
                                                 "<w:r><w:t>[</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>*</w:t></w:r><w:r><w:t>]</w:t></w:r></w:p>"
                                               + "<w:sectPr><w:formProt w:val=\"false\"/></w:sectPr>");
    // A statement longer than 255 characters, split as the driver splits it.
    const std::string sql = "SELECT kand_nr, naamkand, plaats FROM kand.txt WHERE kand_nr = ' 10'" + std::string(200, ' ') + " ORDER BY kand_nr";
    Merge(dot, sql);

    ASSERT_EQ(word.DocumentsCount(), 2);
    EXPECT_EQ(word.DocumentName(1), "K1.dot");
    EXPECT_EQ(word.DocumentName(2), "Standaardbrieven1");
    EXPECT_EQ(word.ActiveWindowCaption(), "Standaardbrieven1");
    word.CloseDocument(1, wdDoNotSaveChanges);
    word.ActivateDocument(1);
    EXPECT_EQ(AddFields(), 2);
    word.HomeKey(wdStory);
    word.Protect(wdAllowOnlyFormFields);
    word.SetActiveWindowCaption("K1 - 10 - \xc7" "elik");
    word.SetWindowState(wdWindowStateNormal);
    word.SetVisible(true);
    word.Activate();
    word.SetWindowState(wdWindowStateMaximize);

    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], PrivateTempFolder() + "/K1 - 10 - \u00c7elik.docx");
    const std::string xml = PartOf(opened[0], "word/document.xml");
    EXPECT_NE(xml.find(">Kandidaat<"), std::string::npos);
    EXPECT_NE(xml.find("> 10<"), std::string::npos);
    EXPECT_NE(xml.find(">\xc3\x87" "elik<"), std::string::npos);
    EXPECT_EQ(xml.find("MERGEFIELD"), std::string::npos);
    EXPECT_EQ(Count(xml, "<w:ffData>"), 2);
    EXPECT_EQ(Count(xml, " FORMTEXT "), 2);
    EXPECT_EQ(xml.find("[*]"), std::string::npos);
    EXPECT_EQ(xml.find("formProt"), std::string::npos);
    EXPECT_NE(PartOf(opened[0], "word/settings.xml").find("<w:documentProtection w:edit=\"forms\" w:enforcement=\"1\"/><w:defaultTabStop"),
              std::string::npos);
    EXPECT_NE(PartOf(opened[0], "[Content_Types].xml").find("wordprocessingml.document.main+xml"), std::string::npos);
    EXPECT_EQ(word.Visible(), true);
    EXPECT_EQ(word.WindowState(), wdWindowStateMaximize);
    EXPECT_EQ(word.Activations(), 1);

    // Shown once: a second Visible opens nothing again.
    word.SetVisible(true);
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(WordProcessorTest, MarkersBecomeFieldsWhereverTheyStandAndSplitOverRuns)
{
    const struct {
        std::string paragraph;
        std::string story; // the text afterwards, fields as F
        int fields;
    } cases[] = {
        {"<w:r><w:t>[*]</w:t></w:r>", "F", 1},
        {"<w:r><w:t>a[*]b</w:t></w:r>", "aFb", 1},
        {"<w:r><w:t>[*][*]x[*]</w:t></w:r>", "FFxF", 3},
        {"<w:r><w:t>a[</w:t></w:r><w:r><w:rPr><w:i/></w:rPr><w:t>*</w:t></w:r><w:r><w:t>]b</w:t></w:r>", "aFb", 1},
        {"<w:r><w:t>[</w:t><w:t>*]</w:t><w:tab/><w:t>z</w:t></w:r>", "F\tz", 1},
        {"<w:hyperlink><w:r><w:t>[*]</w:t></w:r></w:hyperlink><w:r><w:t>[*]</w:t></w:r>", "FF", 2},
        {"<w:r><w:t>[ * ] [*</w:t></w:r><w:r><w:tab/></w:r><w:r><w:t>]</w:t></w:r>", "[ * ] [*\t]", 0},
    };
    for (const auto& c : cases) {
        TWordProcessor local([](const QString&) { return true; });
        local.OpenDocument(Template("T", "<w:p>" + c.paragraph + "</w:p><w:tbl><w:tr><w:tc><w:p><w:r><w:t>[*]</w:t></w:r></w:p></w:tc></w:tr></w:tbl>"));
        TFindArgs find;
        find.FindText = Marker;
        find.Forward = false;
        find.Wrap = wdFindContinue;
        int added = 0;
        for (local.FindExecute(find); local.FindFound(); local.FindExecute(find)) {
            local.AddFormField(wdFieldFormTextInput);
            ++added;
        }
        EXPECT_EQ(added, c.fields + 1) << c.paragraph;
        std::string story = local.ActiveDocument()->StoryText();
        for (auto pos = story.find(FieldText); pos != std::string::npos; pos = story.find(FieldText))
            story.replace(pos, FieldText.size(), "F");
        EXPECT_EQ(story, c.story + "\rF\r") << c.paragraph;
        // The document stays well-formed and every field is a complete FORMTEXT field.
        const std::string xml = PartXml(*local.ActiveDocument(), "word/document.xml");
        pugi::xml_document reparsed;
        EXPECT_TRUE(reparsed.load_string(xml.c_str())) << c.paragraph;
        EXPECT_EQ(Count(xml, "<w:ffData><w:name w:val=\"Tekst"), c.fields + 1);
        EXPECT_EQ(Count(xml, "w:fldCharType=\"end\""), c.fields + 1);
    }
}

TEST_F(WordProcessorTest, TheMarkersFormattingAndTheFieldNamesAreKept)
{
    word.OpenDocument(Template("T", "<w:p><w:r><w:t xml:space=\"preserve\">a </w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>[*] en [*]</w:t></w:r></w:p>"));
    EXPECT_EQ(AddFields(), 2);
    const std::string xml = PartXml(*word.ActiveDocument(), "word/document.xml");
    EXPECT_NE(xml.find("<w:r><w:t xml:space=\"preserve\">a </w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:fldChar w:fldCharType=\"begin\"><w:ffData>"
                       "<w:name w:val=\"Tekst2\"/><w:enabled/><w:calcOnExit w:val=\"0\"/><w:textInput/></w:ffData></w:fldChar></w:r>"),
              std::string::npos);
    EXPECT_NE(xml.find("<w:r><w:rPr><w:b/></w:rPr><w:t xml:space=\"preserve\"> en </w:t></w:r>"), std::string::npos);
    EXPECT_NE(xml.find("<w:name w:val=\"Tekst1\"/>"), std::string::npos);
}

// Fields added to a merged document pass by the names its copies hold, and protecting it switches
// form protection on in every section, copied or changed afterwards.
TEST_F(WordProcessorTest, AMergedDocumentsFieldNamesAndSectionsAsItHoldsThem)
{
    const std::string formField = "<w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"Tekst1\"/></w:ffData>"
                                  "</w:fldChar></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
    const std::string off = "<w:formProt w:val=\"false\"/>";
    const struct {
        std::string body;
        int sections;
        const char* firstNew;
    } cases[] = {
        {"<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>" + Para("[*]"), 1, "Tekst1"},
        {"<w:p>" + ComplexField("MERGEFIELD naamkand") + formField + "</w:p>" + Para("[*]"), 1, "Tekst2"},
        // Two sections a copy: the first copy ends with the template's last section.
        {"<w:p><w:pPr><w:sectPr>" + off + "</w:sectPr></w:pPr>" + ComplexField("MERGEFIELD naamkand") + "</w:p>" + Para("[*]"), 4, "Tekst1"},
    };
    int made = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        word.OpenDocument(Template("M" + std::to_string(++made), c.body + "<w:sectPr>" + off + "</w:sectPr>"));
        word.Unprotect("");
        word.OpenDataSource(Source("SELECT naamkand FROM kand.txt WHERE kand_nr IN ('  1', '  2')"));
        word.ExecuteMailMerge(false);
        TWordDocument& merged = *word.ActiveDocument();
        EXPECT_EQ(AddFields(), 2);
        std::string xml = PartXml(merged, "word/document.xml");
        EXPECT_EQ(Count(xml, std::string("w:val=\"") + c.firstNew + "\"/></w:ffData>"), 0);
        EXPECT_EQ(Count(xml, "<w:sectPr>" + off), c.sections);
        // The last field added gets the first new name: the search goes backward.
        EXPECT_EQ(Count(xml, std::string("<w:name w:val=\"") + c.firstNew + "\"/><w:enabled/>"), 1);
        EXPECT_EQ(Count(xml, "<w:ffData>"), c.firstNew == std::string("Tekst2") ? 4 : 2);
        // A section added from outside the document's own operations is found too.
        pugi::xml_node body = merged.Main().document_element().child("w:body");
        body.prepend_child("w:p").append_child("w:pPr").append_child("w:sectPr").append_child("w:formProt").append_attribute("w:val") = "0";
        word.Protect(wdAllowOnlyFormFields);
        xml = PartXml(merged, "word/document.xml");
        EXPECT_EQ(Count(xml, "formProt"), 0);
        EXPECT_EQ(Count(xml, "<w:sectPr"), c.sections + 1);
    }
}

// After fields replaced text (with a tab, a break or nothing selected, over runs), searches find
// what the document's text holds, as they do once the paragraphs are read anew.
TEST_F(WordProcessorTest, SearchesAfterNewFieldsFindWhatTheTextHolds)
{
    word.OpenDocument(Template("S", Para("[*] q") + "<w:p><w:r><w:t>a[</w:t></w:r><w:r><w:rPr><w:b/></w:rPr><w:t>*]</w:t>"
                                   "<w:tab/><w:t>xy;z</w:t><w:br/><w:t>=w</w:t></w:r></w:p>" + Para("kw [*]") + Para("q"), ""));
    TWordDocument& doc = *word.ActiveDocument();
    EXPECT_EQ(AddFields(), 3);
    const std::size_t tab = doc.StoryText().find("\txy;z");
    ASSERT_NE(tab, std::string::npos) << doc.StoryText();
    doc.Select(tab, tab + 4); // "\txy;" after the second field
    word.AddFormField(wdFieldFormTextInput);
    doc.Select(0, 0);
    word.AddFormField(wdFieldFormTextInput);
    const auto hits = [&](const std::string& text) {
        std::vector<std::size_t> found;
        word.HomeKey(wdStory);
        TFindArgs find;
        find.FindText = text;
        find.Forward = true;
        for (word.FindExecute(find); word.FindFound(); word.FindExecute(find))
            found.push_back(doc.SelectionStart());
        return found;
    };
    const auto inText = [&](const std::string& text) {
        std::vector<std::size_t> found;
        const std::string story = doc.StoryText();
        for (auto pos = story.find(text); pos != std::string::npos; pos = story.find(text, pos + text.size()))
            found.push_back(pos);
        return found;
    };
    for (const std::string& text : {FieldText, std::string("q"), std::string("xy;"), std::string("z"), std::string("=w"),
                                   std::string("[*]"), std::string(";"), std::string("\t"), std::string("kw ")}) {
        SCOPED_TRACE(text);
        const std::vector<std::size_t> kept = hits(text);
        (void)doc.Main(); // the paragraphs read anew
        EXPECT_EQ(hits(text), kept);
        EXPECT_EQ(kept, inText(text));
    }
    EXPECT_EQ(inText(FieldText).size(), 5u);
    EXPECT_TRUE(inText(";").empty());
}

TEST_F(WordProcessorTest, TheSelectionAfterMergeFindAndHomeKey)
{
    Merge(Template("T", Para("ab[*]cd")), "SELECT * FROM kand.txt WHERE kand_nr = '  1'");
    TWordDocument& doc = *word.ActiveDocument();
    EXPECT_EQ(doc.StoryText(), "ab[*]cd\r");
    EXPECT_EQ(doc.SelectionStart(), 7u); // the merge leaves the cursor at the end
    TFindArgs find;
    find.FindText = Marker;
    find.Forward = false;
    find.Wrap = wdFindContinue;
    word.FindExecute(find);
    ASSERT_TRUE(word.FindFound());
    EXPECT_EQ(doc.SelectionStart(), 2u);
    EXPECT_EQ(doc.SelectionEnd(), 5u);
    word.AddFormField(wdFieldFormTextInput);
    EXPECT_EQ(doc.SelectionStart(), 2u + FieldText.size());
    word.FindExecute(find);
    EXPECT_FALSE(word.FindFound());
    word.HomeKey(wdStory);
    EXPECT_EQ(doc.SelectionStart(), 0u);
    EXPECT_EQ(doc.SelectionEnd(), 0u);
}

// A search reads the paragraphs that may hold the text, letters in either case unless the case
// must match, also after a field changed a paragraph; new fields pass by the names the document holds.
TEST_F(WordProcessorTest, SearchesInEitherCaseAndNewFieldNamesPassByTheDocumentsOwn)
{
    const std::string existing = "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"Tekst2\"/></w:ffData></w:fldChar></w:r>"
                                 "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>";
    word.OpenDocument(Template("T", Para("een Zoek") + Para("niets") + existing + Para("zOEK [*] [*]") + Para("[*] zoek"), ""));
    TWordDocument& doc = *word.ActiveDocument();
    word.HomeKey(wdStory);
    TFindArgs find;
    find.FindText = "ZOEK";
    find.Forward = true;
    std::vector<std::size_t> hits;
    for (word.FindExecute(find); word.FindFound(); word.FindExecute(find))
        hits.push_back(doc.SelectionStart());
    EXPECT_EQ(hits, (std::vector<std::size_t>{4, 16, 33}));
    word.HomeKey(wdStory);
    find.MatchCase = true;
    word.FindExecute(find);
    EXPECT_FALSE(word.FindFound());
    find.FindText = "zOEK";
    word.FindExecute(find);
    EXPECT_TRUE(word.FindFound());
    EXPECT_EQ(doc.SelectionStart(), 16u);

    EXPECT_EQ(AddFields(), 3);
    EXPECT_EQ(doc.StoryText(), "een Zoek\rniets\r\rzOEK " + FieldText + " " + FieldText + "\r" + FieldText + " zoek\r");
    const std::string xml = PartXml(doc, "word/document.xml");
    EXPECT_EQ(Count(xml, "w:val=\"Tekst2\""), 1);
    for (const char* name : {"Tekst1", "Tekst3", "Tekst4"})
        EXPECT_EQ(Count(xml, std::string("w:val=\"") + name + "\""), 1) << name;

    // A field where nothing is selected splits the text once, leaving no empty text behind.
    doc.Select(1, 1);
    word.AddFormField(wdFieldFormTextInput);
    EXPECT_EQ(doc.StoryText().substr(0, 9 + FieldText.size()), "e" + FieldText + "en Zoek\r");
    const std::string split = PartXml(doc, "word/document.xml");
    EXPECT_EQ(Count(split, "<w:t xml:space=\"preserve\">e</w:t>"), 1);
    EXPECT_EQ(Count(split, "\"preserve\"/>") + Count(split, "\"preserve\"></w:t>"), 0);
}

TEST_F(WordProcessorTest, ProtectionAndItsFailures)
{
    // A template that is not protected cannot be unprotected.
    word.OpenDocument(Template("Open", Para("x"), "<w:zoom w:percent=\"100\"/>"));
    EXPECT_EQ(ErrorOf([&] { word.Unprotect(""); }), NotProtectedText);
    word.OpenDocument(Template("Off", Para("x"), "<w:documentProtection w:edit=\"forms\" w:enforcement=\"0\"/>"));
    EXPECT_EQ(ErrorOf([&] { word.Unprotect(""); }), NotProtectedText);
    word.OpenDocument(Template("Pw", Para("x"), "<w:documentProtection w:edit=\"forms\" w:enforcement=\"true\" w:hashValue=\"abc\"/>"));
    EXPECT_EQ(ErrorOf([&] { word.Unprotect(""); }), WrongPasswordText);

    word.OpenDocument(Template("On", Para("x"), FormsProtection));
    EXPECT_EQ(ErrorOf([&] { word.Unprotect(""); }), "(no error)");
    EXPECT_EQ(ErrorOf([&] { word.Unprotect(""); }), NotProtectedText);
    word.Protect(wdAllowOnlyFormFields);
    EXPECT_EQ(ErrorOf([&] { word.Protect(wdAllowOnlyFormFields); }), AlreadyProtectedText);

    // A package without settings gets them, related and typed.
    TWordPackage bare = MakeWordPackage("<w:p><w:pPr><w:sectPr><w:formProt w:val=\"0\"/></w:sectPr></w:pPr></w:p><w:sectPr><w:formProt w:val=\"false\"/></w:sectPr>");
    bare.RemovePart("word/settings.xml");
    bare.RemovePart("word/_rels/document.xml.rels");
    bare.Save(templates.filePath("Bare.dot"));
    word.OpenDocument(templates.filePath("Bare.dot").toStdString());
    word.Protect(wdAllowOnlyFormFields);
    const TWordPackage saved = word.ActiveDocument()->Package();
    EXPECT_EQ(saved.RelatedPartName("settings"), "word/settings.xml");
    EXPECT_NE(saved.Part("word/settings.xml").find("<w:documentProtection w:edit=\"forms\" w:enforcement=\"1\"/>"), std::string::npos);
    EXPECT_EQ(saved.ContentType("word/settings.xml"), "application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml");
    EXPECT_EQ(saved.Part("word/document.xml").find("formProt"), std::string::npos);
}

TEST_F(WordProcessorTest, TheMergesOwnFailures)
{
    const std::string dot = Template("T", "<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>");
    word.OpenDocument(dot);
    EXPECT_EQ(ErrorOf([&] { word.ExecuteMailMerge(false); }), "Dit document is geen hoofddocument voor afdruk samenvoegen.");
    EXPECT_EQ(ErrorOf([&] { word.OpenDataSource(Source("SELECT naamkand FROM kand.txt WHERE")); }),
              "De gegevensbron kan niet worden geopend");
    word.OpenDataSource(Source("SELECT naamkand FROM kand.txt WHERE kand_nr = '  7'"));
    EXPECT_EQ(ErrorOf([&] { word.ExecuteMailMerge(false); }),
              "Het hoofddocument kan niet worden samengevoegd met het gegevensbestand, omdat de gegevensrecords leeg zijn "
              "of omdat er geen records overeenkomen met de ingestelde queryopties");
    EXPECT_EQ(word.DocumentsCount(), 1);

    // A template that is not a package, or a missing one.
    QFile text(templates.filePath("Kapot.dot"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("{\\rtf1 dit is geen pakket}");
    text.close();
    EXPECT_EQ(ErrorOf([&] { word.OpenDocument(templates.filePath("Kapot.dot").toStdString()); }),
              "Het bestand " + templates.filePath("Kapot.dot").toStdString() + " kan niet worden geopend: het is geen zip-archief");
    EXPECT_EQ(ErrorOf([&] { word.OpenDocument(templates.filePath("Weg.dot").toStdString()); }),
              "Dit bestand kan niet worden gevonden. (" + templates.filePath("Weg.dot").toStdString() + ")");
    EXPECT_EQ(word.DocumentsCount(), 1);
}

TEST_F(WordProcessorTest, DocumentsByIndex)
{
    QTemporaryDir other;
    const std::string first = Template("H3", Para("een"));
    MakeWordPackage(Para("twee")).Save(other.filePath("H3.dot"));
    word.OpenDocument(first);
    word.OpenDocument(other.filePath("H3.dot").toStdString());
    word.OpenDocument(first); // already open: only activated
    ASSERT_EQ(word.DocumentsCount(), 2);
    EXPECT_EQ(word.ActiveDocument(), &word.Document(1));
    EXPECT_EQ(word.DocumentName(2), "H3.dot");

    word.ActivateDocument(2);
    EXPECT_EQ(word.ActiveDocument()->StoryText(), "twee\r");
    word.CloseDocument(2, wdDoNotSaveChanges);
    EXPECT_EQ(word.ActiveDocument()->StoryText(), "een\r");
    for (int index : {0, 2})
        EXPECT_EQ(ErrorOf([&] { word.DocumentName(index); }), "Het aangevraagde lid van de verzameling bestaat niet.");
    word.CloseDocument(1, wdDoNotSaveChanges);
    EXPECT_EQ(word.ActiveDocument(), nullptr);
    EXPECT_EQ(ErrorOf([&] { word.ActiveWindowCaption(); }), "Deze opdracht is niet beschikbaar omdat er geen document geopend is.");
}

TEST_F(WordProcessorTest, VisibleSavesEachMergedDocumentUnderItsCaptionOnce)
{
    const std::string dot = Template("T", "<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>");
    const struct {
        std::string caption;
        QString file;
    } cases[] = {
        {"H3", "H3.docx"},
        {"H3", "H3 (2).docx"},
        {"a/b\\c:d*e?f\"g<h>i|j\x01", "a_b_c_d_e_f_g_h_i_j_.docx"},
        {"..", "Document.docx"},
        {" .verborgen. ", "verborgen.docx"},
    };
    for (const auto& c : cases) {
        QFile::remove(PrivateTempFolder() + "/" + c.file);
    }
    for (const auto& c : cases) {
        Merge(dot, "SELECT naamkand FROM kand.txt WHERE kand_nr = '  2'");
        word.SetActiveWindowCaption(c.caption);
        for (int i = word.DocumentsCount(); i >= 1; --i)
            if (word.DocumentName(i) == "T.dot")
                word.CloseDocument(i, wdDoNotSaveChanges);
    }
    word.SetVisible(true);
    ASSERT_EQ(opened.size(), std::size(cases));
    for (std::size_t i = 0; i < opened.size(); ++i) {
        EXPECT_EQ(opened[i], PrivateTempFolder() + "/" + cases[i].file);
        EXPECT_NE(PartOf(opened[i], "word/document.xml").find(">de Vries<"), std::string::npos);
        QFile::remove(opened[i]);
    }
    // The templates themselves are not shown.
    for (const QString& path : opened)
        EXPECT_TRUE(path.endsWith(".docx"));
}

TEST_F(WordProcessorTest, AnOpenerThatFailsIsReportedAfterTheDocumentWasSaved)
{
    TWordProcessor failing([](const QString&) { return false; });
    failing.OpenDocument(Template("T", Para("x")));
    failing.Unprotect("");
    failing.OpenDataSource(Source("SELECT * FROM kand.txt"));
    failing.ExecuteMailMerge(false);
    failing.SetActiveWindowCaption("Mislukt");
    const QString path = PrivateTempFolder() + "/Mislukt.docx";
    QFile::remove(path);
    EXPECT_EQ(ErrorOf([&] { failing.SetVisible(true); }),
              "Het document is bewaard als " + QStringToAnsi(path)
                  + ", maar kon niet worden geopend: er kon geen programma voor .docx-documenten worden gestart.");
    EXPECT_TRUE(QFileInfo::exists(path));
    QFile::remove(path);
}

// A large merged document, its main part streamed into the file: on a full disk Visible names the
// file, leaves nothing behind and shows nothing; with room again it shows the document whole.
TEST_F(WordProcessorTest, ALargeDocumentThatDoesNotFitIsReportedAndShownOnceItFits)
{
    std::string body = "<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>";
    for (int i = 0; i < 40000; ++i)
        body += Para("regel " + std::to_string(i));
    Merge(Template("Groot", body), "SELECT naamkand FROM kand.txt");
    word.SetActiveWindowCaption("Groot");
    const QString path = PrivateTempFolder() + "/Groot.docx";
    QFile::remove(path);
    const QStringList before = QDir(PrivateTempFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    {
        const FileSizeLimit full(64 << 10);
        const std::string error = ErrorOf([&] { word.SetVisible(true); });
        EXPECT_TRUE(error.starts_with("Het bestand " + QStringToAnsi(PrivateTempFolder()) + "/.")) << error;
        EXPECT_TRUE(error.ends_with(".docx.tmp kan niet worden geschreven: systeemfout " + std::to_string(EFBIG))) << error;
    }
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(QDir(PrivateTempFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System), before);

    const auto parts = word.ActiveDocument()->Package().Parts();
    word.SetVisible(true);
    ASSERT_EQ(opened, std::vector<QString>{path});
    const TWordPackage shown = TWordPackage::Load(path);
    EXPECT_GT(shown.Part("word/document.xml").size(), std::size_t(6) << 20);
    EXPECT_EQ(shown.Parts(), parts);
    QFile::remove(path);
}

// A shown document stays in the collection with its name, caption and path, to be found, activated
// and closed as before; what needs its content, which the user's word processor now holds, fails.
TEST_F(WordProcessorTest, AShownDocumentKeepsItsPlaceButNotItsContent)
{
    const std::string dot = Template("T", "<w:p><w:r><w:t>[*] </w:t></w:r>" + ComplexField("MERGEFIELD naamkand") + "</w:p>");
    const auto mergeAs = [&](const std::string& caption) {
        Merge(dot, "SELECT naamkand FROM kand.txt WHERE kand_nr = '  1'");
        word.CloseDocument(1, wdDoNotSaveChanges);
        word.SetActiveWindowCaption(caption);
    };
    mergeAs("Eerste");
    word.SetVisible(true);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(PartOf(opened[0], "word/document.xml").find(">Jansen<"), std::string::npos);

    ASSERT_EQ(word.DocumentsCount(), 1);
    TWordDocument& shown = word.Document(1);
    EXPECT_EQ(word.DocumentName(1), "Standaardbrieven1");
    EXPECT_EQ(shown.Caption, "Eerste");
    EXPECT_EQ(shown.Path, opened[0]);
    EXPECT_TRUE(shown.Shown);
    word.ActivateDocument(1);
    EXPECT_EQ(word.ActiveWindowCaption(), "Eerste");
    const std::string released = "Deze methode of eigenschap is niet beschikbaar omdat het document al is getoond.";
    TFindArgs find;
    find.FindText = Marker;
    for (const auto& action : std::vector<std::function<void()>>{
             [&] { shown.StoryText(); }, [&] { shown.Package(); }, [&] { shown.Main(); },
             [&] { word.FindExecute(find); }, [&] { word.AddFormField(wdFieldFormTextInput); },
             [&] { word.HomeKey(wdStory); }, [&] { word.Protect(wdAllowOnlyFormFields); }, [&] { word.Unprotect(""); }})
        EXPECT_EQ(ErrorOf(action), released);

    // The next form is merged, shown and named beside it; the shown one closes by its index.
    mergeAs("Tweede");
    EXPECT_EQ(word.DocumentName(2), "Standaardbrieven2");
    EXPECT_EQ(AddFields(), 1);
    word.SetVisible(true);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1], PrivateTempFolder() + "/Tweede.docx");
    word.CloseDocument(1, wdDoNotSaveChanges);
    EXPECT_EQ(word.DocumentName(1), "Standaardbrieven2");
    EXPECT_EQ(word.ActiveDocument(), &word.Document(1));
    for (const QString& path : opened)
        QFile::remove(path);
}

// Showing goes on after a document that fails in any way, and tells every failure at the end.
TEST_F(WordProcessorTest, EveryFailureWhileShowingIsToldAndTheOtherDocumentsAreShown)
{
    const std::string dot = Template("T", "<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>");
    std::vector<QString> tried;
    TWordProcessor failing([&](const QString& path) {
        tried.push_back(path);
        if (tried.size() == 1)
            throw std::bad_alloc();
        if (tried.size() == 2)
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again), "thread");
        return true;
    });
    for (const char* caption : {"Een", "Twee", "Drie"}) {
        failing.OpenDocument(dot);
        failing.Unprotect("");
        failing.OpenDataSource(Source("SELECT naamkand FROM kand.txt"));
        failing.ExecuteMailMerge(false);
        failing.SetActiveWindowCaption(caption);
        failing.CloseDocument(failing.DocumentsCount() - 1, wdDoNotSaveChanges);
        QFile::remove(PrivateTempFolder() + "/" + caption + ".docx");
    }
    EXPECT_EQ(ErrorOf([&] { failing.SetVisible(true); }),
              "Het document is bewaard als " + QStringToAnsi(PrivateTempFolder()) + "/Een.docx, maar kon niet worden geopend: "
              "onvoldoende geheugen.\r"
              "Het document is bewaard als " + QStringToAnsi(PrivateTempFolder()) + "/Twee.docx, maar kon niet worden geopend: "
              "het systeem heeft tijdelijk onvoldoende middelen.");
    ASSERT_EQ(tried.size(), 3u);
    EXPECT_EQ(tried[2], PrivateTempFolder() + "/Drie.docx");
    for (const QString& path : tried) {
        EXPECT_NE(PartOf(path, "word/document.xml").find(">Jansen<"), std::string::npos);
        QFile::remove(path);
    }
}

// Memory that runs out while one document is saved: that document is told and left to be shown
// later, the others are shown.  Run in a copy of the program with one malloc arena, so that the
// allocation that fails cannot be placed in the room reserved for another thread's arena.
TEST_F(WordProcessorTest, MemoryThatRunsOutWhileSavingOneDocumentIsToldAndTheOthersAreShown)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than a limit on it leaves";
#else
    if (qgetenv("MALLOC_ARENA_MAX") != "1") {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("MALLOC_ARENA_MAX", "1");
        const TChildRun run = RunThisTest(
            "WordProcessorTest.MemoryThatRunsOutWhileSavingOneDocumentIsToldAndTheOthersAreShown", {}, environment);
        EXPECT_TRUE(run.Passed()) << run.Output;
        return;
    }
    const std::string small = Template("Klein", "<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>");
    // A package with a part of 48 MB, which a limit of 32 MB more cannot copy.
    TWordPackage large = MakeWordPackage("<w:p>" + ComplexField("MERGEFIELD naamkand") + "</w:p>", FormsProtection);
    large.SetPart("word/media/groot.bin", std::string(std::size_t(48) << 20, 'x'));
    large.Save(templates.filePath("Groot.dot"));
    large = TWordPackage();
    std::optional<AddressSpaceLimit> limit;
    std::vector<QString> shown;
    TWordProcessor local([&](const QString& path) {
        shown.push_back(path);
        if (shown.size() == 1)
            limit.emplace(32 << 20);
        else
            limit.reset();
        return true;
    });
    for (const auto& [dot, caption] : {std::pair{small, "Eerste"}, {templates.filePath("Groot.dot").toStdString(), "Groot"},
                                       {small, "Laatste"}}) {
        local.OpenDocument(dot);
        local.Unprotect("");
        local.OpenDataSource(Source("SELECT naamkand FROM kand.txt"));
        local.ExecuteMailMerge(false);
        local.SetActiveWindowCaption(caption);
        local.CloseDocument(local.DocumentsCount() - 1, wdDoNotSaveChanges);
        QFile::remove(PrivateTempFolder() + "/" + caption + ".docx");
    }
    const QStringList before = QDir(PrivateTempFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    EXPECT_EQ(ErrorOf([&] { local.SetVisible(true); }), "Het document Groot kan niet worden getoond: onvoldoende geheugen");
    EXPECT_FALSE(limit);
    EXPECT_EQ(shown, (std::vector<QString>{PrivateTempFolder() + "/Eerste.docx", PrivateTempFolder() + "/Laatste.docx"}));
    EXPECT_FALSE(local.Document(2).Shown);
    QStringList after = before + QStringList({"Eerste.docx", "Laatste.docx"});
    after.sort();
    EXPECT_EQ(QDir(PrivateTempFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System), after);

    // With memory again it is shown whole.
    local.SetVisible(true);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2], PrivateTempFolder() + "/Groot.docx");
    EXPECT_EQ(TWordPackage::Load(shown[2]).Part("word/media/groot.bin"), std::string(std::size_t(48) << 20, 'x'));
    for (const QString& path : shown)
        QFile::remove(path);
#endif
}

// One copy of the program for TwoCopiesSavingAtOnceNeverReplaceEachOthersDocuments: saves forty
// documents named like the other copy's, each holding its own mark.
TEST(SaveNewDocumentCopy, SavesForty)
{
    const char* folder = std::getenv("ZORVANDEL_SAVING_FOLDER");
    const char* mark = std::getenv("ZORVANDEL_SAVING_MARK");
    if (!folder || !mark)
        GTEST_SKIP() << "run as a copy of the program by TwoCopiesSavingAtOnceNeverReplaceEachOthersDocuments";
    for (int i = 0; i < 40; ++i)
        SaveNewDocument([&](const QString& path) { MakeWordPackage(Para(std::string(mark) + " " + std::to_string(i))).Save(path); },
                        folder, "ZV01");
}

TEST(SaveNewDocument, TwoCopiesSavingAtOnceNeverReplaceEachOthersDocuments)
{
    QTemporaryDir folder;
    QProcess copies[2];
    for (int c = 0; c < 2; ++c) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZORVANDEL_SAVING_FOLDER", folder.path());
        env.insert("ZORVANDEL_SAVING_MARK", c == 0 ? "eerste" : "tweede");
        copies[c].setProcessEnvironment(env);
        copies[c].start(QCoreApplication::applicationFilePath(), {"--gtest_filter=SaveNewDocumentCopy.*"});
    }
    for (QProcess& copy : copies) {
        ASSERT_TRUE(copy.waitForFinished(100000));
        EXPECT_EQ(copy.exitCode(), 0) << copy.readAllStandardOutput().toStdString();
    }
    std::set<std::string> marks;
    const QStringList names = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const std::string xml = PartOf(folder.filePath(name), "word/document.xml");
        const std::string open = "<w:t xml:space=\"preserve\">";
        const std::size_t at = xml.find(open);
        if (at != std::string::npos)
            marks.insert(xml.substr(at + open.size(), xml.find("</w:t>", at) - at - open.size()));
    }
    EXPECT_EQ(names.size(), 80) << names.join(", ").toStdString();
    EXPECT_EQ(marks.size(), 80u);
}

TEST(SaveNewDocument, AUsersOwnNewFileWhateverTheUmaskNeverThroughALink)
{
    QTemporaryDir folder;
    const mode_t previous = ::umask(022);
    const QString elsewhere = folder.filePath("elsewhere.docx");
    ASSERT_TRUE(WriteFileBytes(elsewhere, "someone else's"));
    ASSERT_TRUE(QFile::link(elsewhere, folder.filePath("H1.docx")));
    const QString path = SaveNewDocument([](const QString& to) { MakeWordPackage(Para("inhoud")).Save(to); }, folder.path(), "H1");
    ::umask(previous);
    EXPECT_EQ(path, folder.filePath("H1 (2).docx"));
    EXPECT_EQ(ReadFileBytes(elsewhere), "someone else's");
    EXPECT_EQ(QFileInfo(folder.filePath("H1.docx")).symLinkTarget(), elsewhere);
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_NE(PartOf(path, "word/document.xml").find(">inhoud<"), std::string::npos);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3) << "no file left behind";
}

// The files of a document being saved are the user's alone from their first byte: what the folder
// holds is looked at before the package is written and while it is (its main part streamed, more
// of it than waits between the writer and the archive, so the archive is being written), under a
// wide umask.  They are what RemovePartialDocuments removes once a killed copy left them, and
// nothing else is.
TEST(SaveNewDocument, ItsPartsInTheMakingAreTheUsersAloneAndKnownAsSuch)
{
    QTemporaryDir folder;
    std::map<QString, mode_t> seen;
    const auto look = [&] {
        for (const QFileInfo& file : QDir(folder.path()).entryInfoList(QDir::Files | QDir::Hidden)) {
            struct stat info {};
            ASSERT_EQ(::lstat(QFile::encodeName(file.filePath()).constData(), &info), 0);
            seen[file.fileName()] = info.st_mode & 07777;
        }
    };
    const mode_t previous = ::umask(0);
    const QString path = SaveNewDocument(
        [&](const QString& to) {
            look();
            MakeWordPackage(Para("inhoud")).Save(to, "word/document.xml", [&](pugi::xml_writer& out) {
                const std::string xml = MakeWordPackage(Para("persoonsgegevens")).Part("word/document.xml");
                const std::size_t end = xml.find("</w:body>");
                out.write(xml.data(), end);
                const std::string empty(std::size_t(64) << 10, ' ');
                for (int i = 0; i < 128; ++i) // 8 MB
                    out.write(empty.data(), empty.size());
                look();
                out.write(xml.data() + end, xml.size() - end);
            });
        },
        folder.path(), "H1");
    ::umask(previous);
    EXPECT_NE(PartOf(path, "word/document.xml").find(">persoonsgegevens<"), std::string::npos);
    EXPECT_EQ(seen.size(), 2u) << "the document and the package writer's file beside it";
    for (const auto& [name, mode] : seen)
        EXPECT_EQ(mode, 0600u) << name.toStdString();

    // Left behind by a killed copy, beside the user's own files.
    QTemporaryDir other;
    QStringList kept = {"H1.docx", ".1-2.docx.tmpx", ".1-2.docx.tmp.abc", "x.1-2.docx.tmp", ".1-2.docx.tmp.abcdefg"};
    for (const auto& [name, mode] : seen)
        ASSERT_TRUE(WriteFileBytes(other.filePath(name), "half"));
    for (const QString& name : kept)
        ASSERT_TRUE(WriteFileBytes(other.filePath(name), "own"));
    RemovePartialDocuments(other.path());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(QDir(other.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), kept);
}

// The desktop's applications, in folders of the test's own.
class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
            saved.emplace_back(name, qgetenv(name));
        qputenv("XDG_DATA_HOME", (root.path() + "/data").toUtf8());
        qputenv("XDG_DATA_DIRS", (root.path() + "/system").toUtf8());
        qputenv("XDG_CONFIG_HOME", (root.path() + "/config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (root.path() + "/etc").toUtf8());
        for (const char* folder : {"data/applications", "system/applications", "config", "etc"})
            QDir().mkpath(root.filePath(folder));
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved)
            qputenv(name, value);
    }

    void Write(const QString& relative, const QString& text)
    {
        QFile f(root.filePath(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }

    static QString Entry(const QString& mime, const QString& extra = "")
    {
        return "[Desktop Entry]\nType=Application\nName=Writer\nExec=true %U\nMimeType=text/plain;" + mime + ";\n" + extra;
    }

    QTemporaryDir root;
    std::vector<std::pair<const char*, QByteArray>> saved;
};

const QString Docx = "application/vnd.openxmlformats-officedocument.wordprocessingml.document";

TEST_F(DesktopTest, AnApplicationForDocxIsFoundInTheDesktopsEntriesAndLists)
{
    EXPECT_FALSE(DesktopHasDocxApplication());
    Write("system/applications/viewer.desktop", Entry("application/pdf"));
    EXPECT_FALSE(DesktopHasDocxApplication());

    Write("system/applications/writer.desktop", Entry(Docx));
    EXPECT_TRUE(DesktopHasDocxApplication());
    // The user's entry of the same name hides it.
    Write("data/applications/writer.desktop", Entry(Docx, "Hidden=true\n"));
    EXPECT_FALSE(DesktopHasDocxApplication());
    Write("data/applications/writer.desktop", Entry(Docx, "TryExec=/geen/programma\n"));
    EXPECT_FALSE(DesktopHasDocxApplication());
    // Removed in the user's list.
    Write("data/applications/writer.desktop", Entry(Docx));
    Write("config/mimeapps.list", "[Removed Associations]\n" + Docx + "=writer.desktop;\n");
    EXPECT_FALSE(DesktopHasDocxApplication());
    // A default in a list names an entry that lists other types.
    Write("config/mimeapps.list", "[Default Applications]\n" + Docx + "=viewer.desktop\n");
    EXPECT_TRUE(DesktopHasDocxApplication());
}

TEST_F(DesktopTest, ConnectingNeedsAnApplicationAndKeepsOneWordProcessor)
{
    TWordConnection connection;
    EXPECT_EQ(connection.Connect(), nullptr);
    Write("data/applications/writer.desktop", Entry(Docx));
    TWordApplication* first = connection.Connect();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(connection.Connect(), first);
    // Another connection, such as another main window's, has a word processor of its own.
    TWordConnection other;
    EXPECT_NE(other.Connect(), nullptr);
    EXPECT_NE(other.Connect(), first);
}

// The desktop's openers, as scripts on a PATH of the test's own.
class OpenerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8());
    }
    void TearDown() override { qputenv("PATH", savedPath); }

    // An opener that writes its arguments, one a line, to "args" and ends with status.
    void Opener(const QString& name, int status)
    {
        QFile f(bin.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + bin.filePath("args") + "'\nexit " + QString::number(status) + "\n").toUtf8());
        f.close();
        ASSERT_TRUE(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    QString Arguments() const { return QString::fromUtf8(ReadFileBytes(bin.filePath("args"))); }

    QTemporaryDir bin;
    QByteArray savedPath;
    const QString document = "/tmp/Verklaring \u00c7elik.docx";
};

TEST_F(OpenerTest, AnOpenerThatFailsMeansTheDocumentWasNotOpened)
{
    EXPECT_FALSE(OpenWithDesktop(document)) << "no opener at all";
    Opener("xdg-open", 4);
    EXPECT_FALSE(OpenWithDesktop(document));
    EXPECT_EQ(Arguments(), document + "\n");
    Opener("xdg-open", 0);
    EXPECT_TRUE(OpenWithDesktop(document));
}

TEST_F(OpenerTest, GioIsAskedBeforeXdgOpen)
{
    Opener("xdg-open", 4);
    Opener("gio", 0);
    EXPECT_TRUE(OpenWithDesktop(document));
    EXPECT_EQ(Arguments(), "open\n" + document + "\n");
    Opener("gio", 2);
    EXPECT_FALSE(OpenWithDesktop(document));
    EXPECT_FALSE(StartedByOpener(bin.filePath("geen-programma"), {}, 1000));
}

// A desktop whose gio finds no application for the type (no cache of the applications' types)
// still opens the document where xdg-open finds one.
TEST_F(OpenerTest, WhereGioFindsNoApplicationXdgOpenIsAsked)
{
    Opener("gio", 2);
    Opener("xdg-open", 0);
    EXPECT_TRUE(OpenWithDesktop(document));
    EXPECT_EQ(Arguments(), document + "\n");
}

} // namespace

namespace {

// LibreOffice Writer, run headless with a profile of its own, converting one file.
class WriterTest : public WordProcessorTest {
protected:
    // Converts file into format (a filter such as "docx" or "txt:Text (encoded):UTF8") in the
    // output folder; the converted file's path.
    QString Convert(const QString& file, const QString& format, const QString& extension)
    {
        QProcess soffice;
        soffice.setChildProcessModifier([] { ::setsid(); }); // so that soffice.bin can be ended with it
        soffice.setProcessChannelMode(QProcess::MergedChannels);
        soffice.start("soffice", {"--headless", "--norestore", "-env:UserInstallation=file://" + profile.path(), "--convert-to",
                                  format, "--outdir", output.path(), file});
        const bool finished = soffice.waitForFinished(90000);
        if (!finished)
            ::kill(-static_cast<pid_t>(soffice.processId()), SIGKILL);
        EXPECT_TRUE(finished) << soffice.readAll().toStdString();
        const QString converted = QDir(output.path()).filePath(QFileInfo(file).completeBaseName() + "." + extension);
        EXPECT_TRUE(QFileInfo::exists(converted)) << soffice.readAll().toStdString();
        return converted;
    }

    static std::string Read(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    }

    QTemporaryDir profile;
    QTemporaryDir output;
};

TEST_F(WriterTest, ATemplateSavedByWriterMergesLikeOurOwn)
{
    // Merge fields as Writer's database fields, and a marker whose star is bold.
    const QString fodt = output.filePath("LO.fodt");
    QFile source(fodt);
    ASSERT_TRUE(source.open(QIODevice::WriteOnly));
    source.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:fo="urn:oasis:names:xsl-formatting-objects-compatible:1.0"
 office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:automatic-styles><style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style></office:automatic-styles>
 <office:body><office:text>
  <text:p>Naam: <text:database-display text:table-name="kand.txt" text:table-type="table" text:column-name="naamkand" text:database-name="Text Files">&lt;naamkand&gt;</text:database-display></text:p>
  <text:p>Nummer <text:database-display text:table-name="kand.txt" text:table-type="table" text:column-name="kand_nr" text:database-name="Text Files">&lt;kand_nr&gt;</text:database-display>, handtekening [<text:span text:style-name="T1">*</text:span>]</text:p>
 </office:text></office:body>
</office:document>
)");
    source.close();
    const QString docx = Convert(fodt, "docx", "docx");
    const std::string dot = templates.filePath("LO.dot").toStdString();
    ASSERT_TRUE(QFile::copy(docx, QString::fromStdString(dot)));
    ASSERT_NE(PartOf(QString::fromStdString(dot), "word/document.xml").find(" MERGEFIELD naamkand "), std::string::npos);

    word.OpenDocument(dot);
    // Writer does not save protection for forms: such a template is not protected.
    EXPECT_EQ(ErrorOf([&] { word.Unprotect(""); }), NotProtectedText);
    word.OpenDataSource(Source("SELECT * FROM kand.txt ORDER BY kand_nr"));
    word.SetSuppressBlankLines(true);
    word.ExecuteMailMerge(false);
    EXPECT_EQ(AddFields(), 3);
    word.Protect(wdAllowOnlyFormFields);
    word.SetActiveWindowCaption("LO");
    QFile::remove(PrivateTempFolder() + "/LO.docx");
    word.SetVisible(true);
    ASSERT_EQ(opened.size(), 1u);

    const std::string xml = PartOf(opened[0], "word/document.xml");
    EXPECT_EQ(xml.find("MERGEFIELD"), std::string::npos);
    EXPECT_EQ(xml.find("formProt w:val=\"false\""), std::string::npos);
    EXPECT_EQ(Count(xml, "<w:ffData>"), 3);

    // Writer reads the merged document back: the names, one copy each.
    const std::string text = Read(Convert(opened[0], "txt:Text (encoded):UTF8", "txt"));
    for (const char* name : {"Naam: Jansen", "Nummer   1, handtekening", "Naam: de Vries", "Naam: \xc3\x87" "elik", "Nummer  10"})
        EXPECT_EQ(Count(text, name), 1) << name << "\n" << text;
    QFile::remove(opened[0]);
}

TEST_F(WriterTest, TheMergedFormOpensInWriterWithItsFieldsAndProtection)
{
    Merge(Template("K2", "<w:p><w:r><w:t xml:space=\"preserve\">Ondergetekende </w:t></w:r>" + ComplexField("MERGEFIELD naamkand")
                             + "<w:r><w:t xml:space=\"preserve\"> verklaart: [*]</w:t></w:r></w:p><w:sectPr><w:formProt w:val=\"false\"/></w:sectPr>"),
          "SELECT naamkand FROM kand.txt WHERE kand_nr <> ' 10' ORDER BY kand_nr");
    EXPECT_EQ(AddFields(), 2);
    word.Protect(wdAllowOnlyFormFields);
    word.SetActiveWindowCaption("K2");
    QFile::remove(PrivateTempFolder() + "/K2.docx");
    word.SetVisible(true);
    ASSERT_EQ(opened.size(), 1u);

    const std::string fodt = Read(Convert(opened[0], "fodt", "fodt"));
    std::string text; // the document's text without its markup
    for (bool inTag = false; char c : fodt.substr(fodt.find("<office:body"))) {
        if (c == '<' || c == '>')
            inTag = c == '<';
        else if (!inTag)
            text += c;
    }
    EXPECT_EQ(Count(text, "Ondergetekende Jansen verklaart: "), 1) << text;
    EXPECT_EQ(Count(text, "Ondergetekende de Vries verklaart: "), 1);
    // Each marker is a text form field, and the form is protected for filling in.
    EXPECT_EQ(Count(fodt, "field:type=\"vnd.oasis.opendocument.field.FORMTEXT\""), 2) << fodt;
    EXPECT_NE(fodt.find("<config:config-item config:name=\"ProtectForm\" config:type=\"boolean\">true</config:config-item>"),
              std::string::npos);
    QFile::remove(opened[0]);
}

} // namespace
