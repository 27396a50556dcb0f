// Bounds of the package reader: a package cannot make it allocate without limit or walk into
// XML nested without end.
#include "WordPackage.h"

#include "ErrorOf.h"
#include "WordDocument.h"
#include "WordProcessor.h"
#include "WordTesting.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sstream>

namespace {

std::string Nested(std::size_t depth)
{
    std::string xml;
    for (std::size_t i = 0; i < depth; ++i)
        xml += "<w:sdt>";
    xml += Para("diep");
    for (std::size_t i = 0; i < depth; ++i)
        xml += "</w:sdt>";
    return xml;
}

TEST(WordPackage, PartsLargerTogetherThanTheBoundAreRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("groot.dot");
    struct Case {
        std::size_t size;
        std::string error;
    };
    // Besides document.xml and the other small parts, one part of the given size.
    const std::size_t small = [&] {
        std::size_t total = 0;
        const TWordPackage package = MakeWordPackage(Para("x"));
        for (const auto& part : package.Parts())
            total += part.second.size();
        return total;
    }();
    const Case cases[] = {
        {MaxPackageBytes - small, "(no error)"},
        {MaxPackageBytes - small + 1, "Het bestand " + path.toStdString() + " is beschadigd: de onderdelen zijn samen groter dan 64 MB"},
    };
    for (const Case& c : cases) {
        TWordPackage package = MakeWordPackage(Para("x"));
        package.SetPart("word/media/image1.bin", std::string(c.size, '\0'));
        package.Save(path);
        EXPECT_EQ(ErrorOf([&] { TWordPackage::Load(path); }), c.error) << c.size;
    }
}

TEST(WordPackage, XmlNestedDeeperThanTheBoundIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("diep.dot");
    // w:document, w:body, the nesting, then w:p, w:r and w:t.
    for (const std::size_t depth : {MaxXmlDepth - 5, MaxXmlDepth - 4, std::size_t(100000)}) {
        MakeWordPackage(Nested(depth)).Save(path);
        const std::string expected = depth + 5 <= MaxXmlDepth ? "(no error)"
            : "Het onderdeel word/document.xml van het document is beschadigd: de elementen zijn dieper genest dan 256";
        EXPECT_EQ(ErrorOf([&] { TWordDocument::Open(path); }), expected) << depth;
    }
}

TEST(WordPackage, FailuresGiveTheirReasonInDutch)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("kapot.dot");
    MakeWordPackage("<w:p><w:r></w:p>").Save(path);
    EXPECT_EQ(ErrorOf([&] { TWordDocument::Open(path); }),
              "Het onderdeel word/document.xml van het document is beschadigd: een eindtag die niet bij de begintag past");
    EXPECT_EQ(ErrorOf([&] { TWordPackage::Load(dir.filePath("weg.dot")); }),
              "Het bestand " + dir.filePath("weg.dot").toStdString() + " kan niet worden geopend: het bestand bestaat niet");
    EXPECT_EQ(ErrorOf([&] { MakeWordPackage("").Save(dir.filePath("geen/map.docx")); }),
              "Het bestand " + dir.filePath("geen/map.docx").toStdString() + " kan niet worden geschreven: het bestand of de map bestaat niet");
}

TEST(WordPackage, XmlWithMoreNodesThanTheBoundIsRefusedBeforeItIsParsed)
{
    // 4,000,001 empty paragraphs (24 MB of XML in a package of about 30 KB).
    QTemporaryDir dir;
    const QString path = dir.filePath("leeg.dot");
    std::string body;
    body.reserve(24'000'010);
    for (int i = 0; i < 4'000'001; ++i)
        body += "<w:p/>";
    MakeWordPackage(body).Save(path);
    body = std::string();
    EXPECT_EQ(ErrorOf([&] { TWordDocument::Open(path); }),
              "Het onderdeel word/document.xml van het document is te groot: meer dan 4.000.000 elementen en attributen");
}

// Documents merged one per candidate share one room until they are shown: a template of 40 MB of
// text merges once, the next merge is refused with the message the forms driver shows.
TEST(WordPackage, MergedDocumentsTogetherCannotGrowPastTheBound)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("tekst.dot");
    std::string body = "<w:p>" + ComplexField("MERGEFIELD naam") + "</w:p>";
    const std::string paragraph = Para(std::string(1000, 'x'));
    for (int i = 0; i < 40'000; ++i)
        body += paragraph;
    MakeWordPackage(body).Save(path);
    body = std::string();

    TWordProcessor word([](const QString&) { return true; });
    int made = 0;
    const std::string error = ErrorOf([&] {
        for (int candidate = 1; candidate <= 3; ++candidate) {
            word.OpenDocument(path.toStdString());
            TWordDocument& main = *word.ActiveDocument();
            main.MailMerge.HasDataSource = true;
            main.MailMerge.Data = TRecordSet{{"naam"}, {{"Kandidaat " + std::to_string(candidate)}}};
            word.ExecuteMailMerge(false);
            word.CloseDocument(word.DocumentsCount() - 1, wdDoNotSaveChanges); // the template
            ++made;
        }
    });
    EXPECT_EQ(made, 1);
    EXPECT_EQ(error, "Het samenvoegen is afgebroken: de samengevoegde documenten worden groter dan 64 MB of 4.000.000 knooppunten.");
    // The template stays open, the first document is whole.
    ASSERT_EQ(word.DocumentsCount(), 2);
    EXPECT_EQ(word.Document(1).Name, "Standaardbrieven1");
    EXPECT_EQ(word.Document(1).StoryText().size(), 40'000u * 1001 + 12);
}

// A part is written whole whatever room was made for it: none, too little or more than enough.
TEST(WordPackage, XmlPartsAreWrittenWholeWhateverRoomWasMadeForThem)
{
    std::string body;
    for (int i = 0; i < 20000; ++i)
        body += Para("alinea " + std::to_string(i) + " &amp; \xc3\xa9\xe2\x82\xac");
    pugi::xml_document doc;
    ParseXmlPart(doc, std::string("<?xml version=\"1.0\"?><w:document ") + WordNamespaces + "><w:body>" + body + "</w:body></w:document>", "doc");
    std::ostringstream written;
    doc.save(written, "", pugi::format_raw, pugi::encoding_utf8);
    ASSERT_GT(written.str().size(), std::size_t(1) << 20);
    for (const std::size_t room : {std::size_t(0), std::size_t(100), written.str().size(), 4 * written.str().size()})
        EXPECT_EQ(SaveXmlPart(doc, room), written.str()) << room;
}

} // namespace
