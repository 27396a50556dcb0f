// Bounds of the package reader: a package cannot make it allocate without limit or walk into
// XML nested without end.  A part streamed while it is deflated gives the bytes it would give
// whole, and a failure on either side ends both.  A package that names a part twice is refused,
// and part names show in messages as the document gives them.
#include "WordPackage.h"

#include "AnsiText.h"
#include "ErrorOf.h"
#include "FileSizeLimit.h"
#include "ModalAnswer.h"
#include "WordDocument.h"
#include "WordProcessor.h"
#include "WordTesting.h"

#include <QDir>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <thread>

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

// The bound holds at exactly its count: a part of MaxXmlNodes elements is read, one more is refused.
TEST(WordPackage, XmlOfExactlyTheNodeBoundIsRead)
{
    std::string xml = "<w:body>";
    xml.reserve(6 * MaxXmlNodes + 20);
    for (std::size_t i = 1; i < MaxXmlNodes; ++i)
        xml += "<w:p/>";
    xml += "</w:body>";
    {
        pugi::xml_document doc;
        EXPECT_EQ(ErrorOf([&] { ParseXmlPart(doc, xml, "word/document.xml"); }), "(no error)");
        EXPECT_TRUE(doc.document_element().last_child());
    }
    xml.insert(8, "<w:p/>");
    pugi::xml_document doc;
    EXPECT_EQ(ErrorOf([&] { ParseXmlPart(doc, xml, "word/document.xml"); }),
              "Het onderdeel word/document.xml van het document is te groot: meer dan 4.000.000 elementen en attributen");
}

// A zip archive can name an entry twice, a package cannot: it would not save.  Such a template
// is refused when it is opened, naming the template and the part as they are.
TEST(WordPackage, APartNamedTwiceIsRefusedWhenOpened)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("dubbel.dot");
    const struct {
        std::string part, standIn, name; // a part, and an entry of the name standIn renamed to name
    } cases[] = {
        {"word/document.xml", "word/documenX.xml", "word/document.xml"},
        {"word/caf\xC3\xA9.xml", "word/cafXY.xml", "word/caf\xC3\xA9.xml"},
        {"word/caf\xC3\xA9.xml", "word/cafX.xml", "word/caf\x82.xml"}, // code page 437, read as UTF-8
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TWordPackage package = MakeWordPackage(Para("eerste"));
        package.SetPart(c.part, "<w:document/>");
        package.SetPart(c.standIn, "<w:document/>");
        package.Save(path);
        ASSERT_TRUE(RenameEntries(path, {{c.standIn, c.name}}));
        EXPECT_EQ(MessageToQString(ErrorOf([&] { TWordDocument::Open(path); })),
                  "Het bestand " + path + " is beschadigd: het onderdeel " + QString::fromUtf8(c.part) + " staat er twee keer in");
    }
    // Names that only look alike are parts of their own, and save as they are.
    TWordPackage package = MakeWordPackage(Para("eerste"));
    for (const char* name : {"Word/Document.xml", "./word/document.xml", "/word/document.xml", "../word/document.xml",
                             "word//document.xml", "word/document.xml/"})
        package.SetPart(name, "<anders/>");
    package.Save(path);
    std::vector<std::pair<std::string, std::string>> parts = package.Parts();
    parts.pop_back(); // a folder, not a part
    EXPECT_EQ(TWordPackage::Load(path).Parts(), parts);
    const QString copy = dir.filePath("kopie.docx");
    TWordDocument::Open(path)->Save(copy);
    EXPECT_EQ(TWordPackage::Load(copy).Parts().size(), parts.size());
}

// A part's name in a message is the name the document gives, shown whole; a name that would act
// on the message shows its controls as replacements.
TEST(WordPackage, PartNamesInMessagesShowAsTheDocumentGivesThem)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("naam.dot");
    const struct {
        std::string target, part; // as the relationship writes it, and as the package names it
        QString shown;
    } cases[] = {
        {"caf\xC3\xA9.xml", "caf\xC3\xA9.xml", QString::fromUtf8("caf\xC3\xA9.xml")},
        {"\xCE\xB1\xCE\xB2.xml", "\xCE\xB1\xCE\xB2.xml", QString::fromUtf8("\xCE\xB1\xCE\xB2.xml")},
        {"x&#13;&#10;De sjabloon is in orde", "x\r\nDe sjabloon is in orde", QString::fromUtf8("x\uFFFD\uFFFDDe sjabloon is in orde")},
        {"\xE2\x80\xAElmx.exe", "\xE2\x80\xAElmx.exe", QString::fromUtf8("\uFFFDlmx.exe")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.part);
        TWordPackage package = MakeWordPackage(Para("x"));
        package.RemovePart("word/settings.xml");
        package.SetPart("word/_rels/document.xml.rels",
                        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings\" "
                        "Target=\"" + c.target + "\"/></Relationships>");
        package.SetPart("word/" + c.part, "<w:settings><kapot>");
        package.Save(path);
        EXPECT_EQ(MessageToQString(ErrorOf([&] { TWordDocument::Open(path); })),
                  "Het onderdeel word/" + c.shown + " van het document is beschadigd: een eindtag die niet bij de begintag past");
    }
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

constexpr std::size_t Chunk = std::size_t(1) << 20; // about what the stream hands over at once

// The threads of this process.
int ThreadCount() { return static_cast<int>(QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

// True when the process is back at count threads; a thread joined may stay listed for a moment.
bool BackAt(int count)
{
    for (int i = 0; i < 200 && ThreadCount() != count; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ThreadCount() == count;
}

// A writer of bytes in pieces of piece bytes, which notes how far it came and whether it ended.
struct TPieceWriter {
    std::string bytes;
    std::size_t piece;
    std::atomic<std::size_t> written{0};
    std::atomic<bool> ended{false};
    void operator()(pugi::xml_writer& out)
    {
        struct TEnd {
            std::atomic<bool>& ended;
            ~TEnd() { ended = true; }
        } end{ended};
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            out.write(bytes.data() + at, std::min(piece, bytes.size() - at));
            written = std::min(at + piece, bytes.size());
        }
    }
};

std::string Incompressible(std::size_t size)
{
    std::mt19937_64 random(7);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

TEST(WordPackageStreamed, AStreamedPartIsWrittenWholeAndInPlaceWhateverItsSizeAndPieces)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("deel.docx");
    const std::string text = Incompressible(5 * Chunk + 7);
    const struct {
        std::size_t size;
        std::size_t piece;
    } cases[] = {{0, 1}, {1, 1}, {Chunk - 1, 4093}, {Chunk, 4096}, {Chunk + 1, Chunk + 1}, {5 * Chunk + 7, 10000}, {5 * Chunk + 7, 3 * Chunk}};
    for (const auto& c : cases) {
        TWordPackage package = MakeWordPackage(Para("x"));
        package.SetPart("word/document.xml", "");
        TPieceWriter writer{text.substr(0, c.size), c.piece};
        package.Save(path, "word/document.xml", std::ref(writer));
        package.SetPart("word/document.xml", writer.bytes);
        EXPECT_EQ(TWordPackage::Load(path).Parts(), package.Parts()) << c.size << " in pieces of " << c.piece;
    }
    // A part the package does not hold comes last.
    const TWordPackage package = MakeWordPackage(Para("x"));
    TPieceWriter writer{text, 65536};
    package.Save(path, "word/media/image1.bin", std::ref(writer));
    TWordPackage expected = package;
    expected.SetPart("word/media/image1.bin", text);
    EXPECT_EQ(TWordPackage::Load(path).Parts(), expected.Parts());
}

// What the writer throws, at its start, with the queue full or at its end, reaches the caller as
// it was thrown; the file that was there stays as it was, nothing else is left, no thread runs on.
TEST(WordPackageStreamed, AWritersFailureReachesTheCallerUnchangedAndLeavesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("oud.docx");
    ASSERT_TRUE(WriteFileBytes(path, "het vorige document"));
    const int threads = ThreadCount();
    const TWordPackage package = MakeWordPackage(Para("x"));
    const std::string text(8 * Chunk, 'x');
    for (const std::size_t at : {std::size_t(0), 6 * Chunk, text.size()}) {
        const auto writeUntil = [&](auto failure) {
            return [&text, at, failure](pugi::xml_writer& out) {
                for (std::size_t done = 0; done < at; done += 65536)
                    out.write(text.data() + done, 65536);
                throw failure;
            };
        };
        try {
            package.Save(path, "word/document.xml", writeUntil(EInOutError("schijf weg", 5)));
            ADD_FAILURE() << "no failure at " << at;
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.Message, "schijf weg");
            EXPECT_EQ(e.ErrorCode, 5);
        }
        EXPECT_THROW(package.Save(path, "word/document.xml", writeUntil(std::bad_alloc())), std::bad_alloc) << at;
        EXPECT_EQ(ReadFileBytes(path), "het vorige document") << at;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{"oud.docx"}) << at;
        EXPECT_TRUE(BackAt(threads)) << at;
    }
}

// A file that cannot be made or whose disk fills up stops the writer at its next chunk, with the
// message that the part held whole gives.
TEST(WordPackageStreamed, AFileThatCannotBeWrittenStopsTheWriterWithTheMessageOfAWholeSave)
{
    QTemporaryDir dir;
    const int threads = ThreadCount();
    const std::string text = Incompressible(16 * Chunk);
    const auto stopsWith = [&](const QString& path, std::size_t fileLimit) {
        TWordPackage package = MakeWordPackage(Para("x"));
        TPieceWriter writer{text, 8192};
        const FileSizeLimit limit(fileLimit);
        const std::string streamed = ErrorOf([&] { package.Save(path, "word/document.xml", std::ref(writer)); });
        EXPECT_TRUE(writer.ended);
        EXPECT_LT(writer.written, text.size()) << "stopped";
        package.SetPart("word/document.xml", text);
        EXPECT_EQ(streamed, ErrorOf([&] { package.Save(path); }));
        EXPECT_TRUE(BackAt(threads));
        return streamed;
    };
    EXPECT_EQ(stopsWith(dir.filePath("geen/map.docx"), RLIM_INFINITY),
              "Het bestand " + dir.filePath("geen/map.docx").toStdString() + " kan niet worden geschreven: het bestand of de map bestaat niet");
    EXPECT_EQ(stopsWith(dir.filePath("vol.docx"), 2 * Chunk),
              "Het bestand " + dir.filePath("vol.docx").toStdString() + " kan niet worden geschreven: systeemfout " + std::to_string(EFBIG));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).isEmpty());
}

} // namespace
