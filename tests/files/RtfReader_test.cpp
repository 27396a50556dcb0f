// The RTF reader on hand-written snippets and on a document that LibreOffice Writer saved as RTF.
#include "RtfReader.h"

#include "Exceptions.h"
#include "ModalAnswer.h"
#include "OfficeConvert.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QString Read(const std::string& rtf)
{
    QTextDocument doc;
    ReadRtf(rtf, doc);
    return doc.toRawText().replace(QChar::ParagraphSeparator, '\n');
}

// The character format of the last character of the first occurrence of word.
QTextCharFormat FormatOf(const QTextDocument& doc, const QString& word)
{
    const QTextCursor found = doc.find(word);
    EXPECT_FALSE(found.isNull()) << word.toStdString();
    return found.charFormat();
}

TEST(RtfReader, TextOfSnippets)
{
    struct Case {
        const char* rtf;
        const char16_t* text;
    };
    const Case cases[] = {
        {R"({\rtf1 een\par twee})", u"een\ntwee"},
        {R"({\rtf1\ansi{\fonttbl{\f0\fswiss Arial;}}{\colortbl;\red0\green0\blue0;}{\*\generator Writer;}{\info{\title T}}tekst})",
         u"tekst"},
        {R"({\rtf1{\header kop\par}{\footer voet}{\*\unknown x}{\pict 0a0b}romp})", u"romp"},
        {R"({\rtf1 caf\'e9 \'80 \'93a\'94})", u"caf\u00e9 \u20ac \u201ca\u201d"},
        {R"({\rtf1 \u8364\'80 5 \u-3?x})", u"\u20ac 5 \ufffdx"},
        {R"({\rtf1\uc2 \u8364\'80\'80y\uc0 \u233 z})", u"\u20acy\u00e9z"},
        {R"({\rtf1 a\{b\}c\\d})", u"a{b}c\\d"},
        {R"({\rtf1 Naam:\tab Jan\line Piet})", u"Naam:\tJan\u2028Piet"},
        {R"({\rtf1 zie{\field{\*\fldinst HYPERLINK "x"}{\fldrslt hier}} verder})", u"ziehier verder"},
        {R"({\rtf1 a\~b\_c\-d\emdash\endash\lquote\rquote\ldblquote\rdblquote\bullet})",
         u"a\u00a0b\u2011cd\u2014\u2013\u2018\u2019\u201c\u201d\u2022"},
        {"{\\rtf1 regel\r\neen\n\\par\ntwee}", u"regeleen\ntwee"},
        {R"({\rtf1 a{\pict\bin3 }{}}b})", u"ab"}, // binary data may hold braces
    };
    for (const Case& c : cases)
        EXPECT_EQ(Read(c.rtf), QString::fromUtf16(c.text)) << c.rtf;
}

TEST(RtfReader, CharacterAndParagraphFormats)
{
    QTextDocument doc;
    doc.setDefaultFont(QFont("Arial"));
    ReadRtf(R"({\rtf1\ansi\fs20 {\b vet}{\i schuin}\ul onder\ulnone gewoon {\fs36 groot}\b klein\b0 dun\plain\fs24 basis)"
            R"(\par\pard\qc midden\par\pard\qr\li720\fi-360\tx1440 rechts})",
            doc);
    struct Case {
        const char* word;
        bool bold, italic, underline;
        int pixels;
    };
    const Case cases[] = {
        {"vet", true, false, false, 13},   {"schuin", false, true, false, 13}, {"onder", false, false, true, 13},
        {"gewoon", false, false, false, 13}, {"groot", false, false, false, 24}, {"klein", true, false, false, 13},
        {"dun", false, false, false, 13},  {"basis", false, false, false, 16},
    };
    for (const Case& c : cases) {
        const QFont font = FormatOf(doc, c.word).font();
        EXPECT_EQ(font.bold(), c.bold) << c.word;
        EXPECT_EQ(font.italic(), c.italic) << c.word;
        EXPECT_EQ(font.underline(), c.underline) << c.word;
        EXPECT_EQ(font.pixelSize(), c.pixels) << c.word;
        EXPECT_EQ(font.family(), "Arial") << c.word;
    }
    ASSERT_EQ(doc.blockCount(), 3);
    EXPECT_EQ(doc.findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(doc.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextBlockFormat last = doc.findBlockByNumber(2).blockFormat();
    EXPECT_EQ(last.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_DOUBLE_EQ(last.leftMargin(), 48);
    EXPECT_DOUBLE_EQ(last.textIndent(), -24);
    ASSERT_EQ(last.tabPositions().size(), 1);
    EXPECT_DOUBLE_EQ(last.tabPositions()[0].position, 96);
}

TEST(RtfReader, DamagedTextIsRefusedAndLeavesTheDocumentEmpty)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", "Ongeldige RTF-tekst: geen RTF"},
        {"Gewone tekst", "Ongeldige RTF-tekst: geen RTF"},
        {R"({\rtf1 afgebroken {\b midden)", "Ongeldige RTF-tekst: de tekst houdt op binnen een groep"},
        {R"({\rtf1 te veel}})", "(no error)"}, // text after the closing brace is not read
        {R"({\rtf1 x\'4)", "Ongeldige RTF-tekst: de tekst houdt op binnen \\'hh"},
        {R"({\rtf1 x\'zz})", "Ongeldige RTF-tekst: \\' zonder twee hexadecimale cijfers"},
        {R"({\rtf1 x\)", "Ongeldige RTF-tekst: de tekst houdt op na een backslash"},
    };
    for (const auto& [rtf, message] : cases) {
        QTextDocument doc;
        doc.setPlainText("oud");
        std::string error = "(no error)";
        try {
            ReadRtf(rtf, doc);
        } catch (const EConvertError& e) {
            error = e.Message;
        }
        EXPECT_EQ(error, message) << rtf;
        if (error != "(no error)") {
            EXPECT_TRUE(doc.isEmpty()) << rtf;
        }
    }
}

// A document with formatting, a header, a tab and characters inside and outside Windows-1252,
// saved as RTF by LibreOffice Writer.
TEST(RtfReader, ReadsWhatLibreOfficeWriterSaves)
{
    QTemporaryDir dir;
    const QString source = dir.filePath("verklaring.fodt");
    ASSERT_TRUE(WriteFileBytes(source, R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:automatic-styles>
  <style:style style:name="B" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
  <style:style style:name="I" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>
  <style:style style:name="U" style:family="text"><style:text-properties style:text-underline-style="solid" style:text-underline-width="auto" style:text-underline-color="font-color"/></style:style>
  <style:style style:name="G" style:family="text"><style:text-properties fo:font-size="18pt"/></style:style>
  <style:style style:name="MP" style:family="page-layout"/>
 </office:automatic-styles>
 <office:master-styles><style:master-page style:name="Standard" style:page-layout-name="MP"><style:header><text:p>Kopregel</text:p></style:header></style:master-page></office:master-styles>
 <office:body><office:text>
  <text:p>Verklaring van <text:span text:style-name="B">vet</text:span>, <text:span text:style-name="I">schuin</text:span> en <text:span text:style-name="U">onderstreept</text:span>.</text:p>
  <text:p>Naam:<text:tab/>café € 5 – ŋ</text:p>
  <text:p><text:span text:style-name="G">Groot</text:span> {haakjes} \ slash</text:p>
 </office:text></office:body>
</office:document>
)"));
    QString error;
    const QString rtfFile = OfficeConvert(source, "rtf", dir.filePath("out"), &error);
    ASSERT_FALSE(rtfFile.isEmpty()) << error.toStdString();
    const std::string rtf = ReadFileBytes(rtfFile);

    QTextDocument doc;
    ReadRtf(rtf, doc);
    EXPECT_EQ(doc.toPlainText().toStdString(), QString::fromUtf16(u"Verklaring van vet, schuin en onderstreept.\n"
                                                    u"Naam:\tcaf\u00e9 \u20ac 5 \u2013 \u014b\n"
                                                    u"Groot {haakjes} \\ slash").toStdString());
    EXPECT_TRUE(FormatOf(doc, "vet").font().bold());
    EXPECT_FALSE(FormatOf(doc, "van").font().bold());
    EXPECT_TRUE(FormatOf(doc, "schuin").font().italic());
    EXPECT_TRUE(FormatOf(doc, "onderstreept").font().underline());
    EXPECT_EQ(FormatOf(doc, "Groot").font().pixelSize(), 24);
    EXPECT_EQ(FormatOf(doc, "slash").font().pixelSize(), 16);
}

// The reader's refusal of rtf, which leaves the document empty, or "(no error)".
std::string RefusalOf(const std::string& rtf)
{
    QTextDocument doc;
    try {
        ReadRtf(rtf, doc);
    } catch (const EConvertError& e) {
        EXPECT_TRUE(doc.isEmpty());
        return e.Message;
    }
    return "(no error)";
}

// The paragraphs and the characters of body text are bounded, so that a text of many small
// paragraphs or of one endless one takes little time and memory to read and lay out; what skipped
// groups hold does not count.
TEST(RtfReader, BoundsOnParagraphsAndCharacters)
{
    const auto error = RefusalOf;
    std::string paragraphs;
    for (std::size_t i = 0; i < MaxRtfParagraphs; ++i)
        paragraphs += "a\\par ";
    EXPECT_EQ(error("{\\rtf1 " + paragraphs + "}"), "(no error)");
    EXPECT_EQ(error("{\\rtf1 " + paragraphs + "\\par}"), "Ongeldige RTF-tekst: meer dan 1000 alinea's");
    EXPECT_EQ(error("{\\rtf1 " + paragraphs + "{\\footer\\par}}"), "(no error)");

    const std::string text(MaxRtfChars - 1, 'x');
    EXPECT_EQ(error("{\\rtf1 " + text + "\\'e9}"), "(no error)");
    EXPECT_EQ(error("{\\rtf1 " + text + "\\'e9\\u8364?}"), "Ongeldige RTF-tekst: meer dan 100000 tekens");
    EXPECT_EQ(error("{\\rtf1 " + text + "{\\*\\generator " + text + "}.}"), "(no error)");
}

// A hostile text can neither nest groups without end nor grow without bound; the limits lie far
// beyond what word processors write.
TEST(RtfReader, BoundsOnNestingSizeAndTabStops)
{
    const auto error = RefusalOf;
    const auto nested = [](std::size_t depth) {
        return "{\\rtf1 " + std::string(depth - 1, '{') + "diep" + std::string(depth, '}');
    };
    EXPECT_EQ(error(nested(MaxRtfDepth)), "(no error)");
    EXPECT_EQ(error(nested(MaxRtfDepth + 1)), "Ongeldige RTF-tekst: de groepen zijn dieper genest dan 500");
    // Binary data, which the reader passes over, fills the text up to the limit and one past it.
    const auto sized = [](std::size_t size) {
        const std::size_t binary = size - 20; // "{\\rtf1\\bin", eight digits, " " and "}" around it
        return "{\\rtf1\\bin" + std::to_string(binary) + " " + std::string(binary, '}') + "}";
    };
    ASSERT_EQ(sized(MaxRtfBytes).size(), MaxRtfBytes);
    EXPECT_EQ(error(sized(MaxRtfBytes)), "(no error)");
    EXPECT_EQ(error(sized(MaxRtfBytes + 1)), "Ongeldige RTF-tekst: de tekst is groter dan 64 MB");

    // Tab stops past the 64th of a paragraph are left out, as word processors do.
    std::string tabs = "{\\rtf1 ";
    for (int i = 1; i <= 100; ++i)
        tabs += "\\tx" + std::to_string(i * 15);
    QTextDocument doc;
    ReadRtf(tabs + " a\\tab b\\par}", doc);
    const QList<QTextOption::Tab> stops = doc.begin().blockFormat().tabPositions();
    ASSERT_EQ(stops.size(), 64);
    EXPECT_EQ(stops.back().position, 64.0);

    // Measures beyond a word processor's range are held at its ends: 22 inches (31680 twips, no
    // space below zero) and 1638 points.  Far larger ones overflowed the layout's height.
    QTextDocument measures;
    ReadRtf(R"({\rtf1\sb-5\sa99999999999\li-99999\fi99999\tx-4\tx99999\fs99999 x\par})", measures);
    const QTextBlockFormat block = measures.begin().blockFormat();
    EXPECT_EQ(block.topMargin(), 0.0);
    EXPECT_EQ(block.bottomMargin(), 2112.0);
    EXPECT_EQ(block.leftMargin(), -2112.0);
    EXPECT_EQ(block.textIndent(), 2112.0);
    ASSERT_EQ(block.tabPositions().size(), 2);
    EXPECT_EQ(block.tabPositions()[0].position, 0.0);
    EXPECT_EQ(block.tabPositions()[1].position, 2112.0);
    EXPECT_EQ(FormatOf(measures, "x").font().pixelSize(), 2184);
}

} // namespace
