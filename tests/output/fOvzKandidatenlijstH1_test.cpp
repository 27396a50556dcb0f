// The H1 report built from real lists: the pages it prepares, the texts from FORMS/, and the
// preview and printing through the shared previewer.
#include "fOvzKandidatenlijstH1.h"

#include "AddressSpaceLimit.h"
#include "ChildRun.h"
#include "ModalAnswer.h"
#include "OfficeConvert.h"
#include "ZEBPrev.h"
#include "fSplashMessage.h"
#include "report/QRExport.h"
#include "report/QRPreview.h"
#include "RtfReader.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFontMetricsF>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kHeads = "voorletters";
const QString kFootnote = "zie toelichting punt 2";
const QString kTextA = "Verklaring van de ondertekenaars en aanwijzing van de gemachtigde"; // H1a
const QString kTextC = "Toelichting";                                                       // H1c
const QString kTextE = "Verklaring van instemming";                                         // H1e

struct Row {
    std::string nr = {}, voorvoegsels = {}, achternaam = {}, voorletters = "A.", geboortedatum = "01-02-1970",
                                                adres = "Dorpsstraat 1", postcode = "1234 AB", plaats = "Utrecht";
};

class H1Report : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto partij = std::make_unique<TPartijRecord>();
        partij->Aanduiding = "Groen Links Midden";
        partij->NaamGemachtigde = "P. de Vries";
        partij->AdresGemachtigde = "Kerkweg 4";
        partij->PostcodeGemachtigde = "3511 AA";
        partij->PlaatsGemachtigde = "Utrecht";
        partij->NaamVervanger = "K. Bos";
        partij->AdresVervanger = "Laan 9";
        partij->PostcodeVervanger = "1011 BB";
        partij->PlaatsVervanger = "Amsterdam";
        PartijList->Add(std::move(partij));
    }

    static void Add(const Row& row)
    {
        auto k = std::make_unique<TKandidaatRecord>();
        k->KandidaatNr = row.nr;
        k->Voorvoegsels = row.voorvoegsels;
        k->Achternaam = row.achternaam;
        k->Voorletters = row.voorletters;
        k->Geboortedatum = row.geboortedatum;
        k->Adres = row.adres;
        k->Postcode = row.postcode;
        k->Plaats = row.plaats;
        KandidaatList->Add(std::move(k));
    }

    static void AddNumbered(int count)
    {
        for (int i = 1; i <= count; ++i)
            Add({.nr = std::to_string(i), .achternaam = "Kandidaat" + std::to_string(i)});
    }

    // The report, initialised and prepared; dir replaces the program folder when given.
    static std::unique_ptr<TfrmOvzKandidatenlijstH1> Prepared(const QString& dir = {})
    {
        auto form = TBaseForm::Create<TfrmOvzKandidatenlijstH1>();
        form->Initialize();
        if (!dir.isEmpty())
            form->ProgramDir = QFile::encodeName(dir).toStdString() + "/";
        form->Report.Prepare();
        return form;
    }

    // Each page's texts in the order they were painted.
    static std::vector<QStringList> Pages(const TQRPrinter& printer)
    {
        std::vector<QStringList> pages;
        for (int p = 1; p <= printer.PageCount(); ++p) {
            QStringList texts;
            for (const TQRTextItem& item : printer.Page(p).Texts)
                texts << item.Text;
            pages.push_back(texts);
        }
        return pages;
    }

    // The top of the first text on a page that equals text, or -1.
    static double TopOf(const TQRPrinter& printer, int page, const QString& text)
    {
        for (const TQRTextItem& item : printer.Page(page).Texts)
            if (item.Text == text)
                return item.Rect.top();
        return -1;
    }

    // The row texts (the number column and what follows it) in page order.
    static QStringList Numbers(const std::vector<QStringList>& pages)
    {
        QStringList numbers;
        for (const QStringList& page : pages)
            for (const QString& text : page)
                if (text.endsWith('.') && text.size() <= 4 && text.front().isDigit())
                    numbers << text;
        return numbers;
    }

    // The previewer stands modally with its first page info, done waiting for the report.
    static bool PreviewerReady(TfrmZEBPreviewer& previewer)
    {
        return QApplication::activeModalWidget() == &previewer && !previewer.findChild<TfrmSplashMessage*>()
            && !previewer.lblPage->text().startsWith("Pagina");
    }

    TZVLists lists;
};

TEST_F(H1Report, RowsInNumberOrderWithTheirNameAndPlaceRules)
{
    Add({.nr = "10", .voorvoegsels = "van der", .achternaam = "Berg", .postcode = "1000 AA", .plaats = "Amsterdam"});
    Add({.nr = "2", .achternaam = "Jansen", .voorletters = "J.P.", .adres = "Markt 3"});
    Add({.nr = "1", .voorvoegsels = " de", .achternaam = "Wit", .geboortedatum = "12-12-1980"});
    const auto form = Prepared();
    const auto pages = Pages(*form->Report.QRPrinter());
    ASSERT_EQ(pages.size(), 4u); // the list, then three text pages
    EXPECT_EQ(Numbers(pages), QStringList({"1.", "2.", "10."}));

    const QStringList& first = pages[0];
    struct {
        QString nr;
        QStringList row;
    } cases[] = {
        {"1.", {"1.", "de Wit", "A.", "12-12-1980", "Dorpsstraat 1", "1234 AB  Utrecht"}},
        {"2.", {"2.", "Jansen", "J.P.", "01-02-1970", "Markt 3", "1234 AB  Utrecht"}},
        {"10.", {"10.", "van der Berg", "A.", "01-02-1970", "Dorpsstraat 1", "1000 AA  Amsterdam"}},
    };
    for (const auto& c : cases) {
        const auto at = first.indexOf(c.nr);
        ASSERT_GE(at, 0) << c.nr.toStdString();
        EXPECT_EQ(first.mid(at, c.row.size()), c.row) << c.nr.toStdString();
    }
    // The party's appellation in the title.
    EXPECT_TRUE(first.contains("Groen Links Midden"));
    EXPECT_LT(first.indexOf("KANDIDATENLIJST"), first.indexOf("1."));
}

TEST_F(H1Report, EqualNumbersGiveTwoRowsOfTheLaterCandidate)
{
    Add({.nr = "1", .achternaam = "Eerste"});
    Add({.nr = "1", .achternaam = "Tweede"});
    const auto form = Prepared();
    const auto pages = Pages(*form->Report.QRPrinter());
    EXPECT_EQ(Numbers(pages), QStringList({"1.", "1."}));
    EXPECT_EQ(pages[0].count("Tweede"), 2);
    EXPECT_FALSE(pages[0].contains("Eerste"));
}

TEST_F(H1Report, RowsContinueOverPagesThenFootnotesAndThreeTextPages)
{
    AddNumbered(80);
    const auto form = Prepared();
    const TQRPrinter& printer = *form->Report.QRPrinter();
    const auto pages = Pages(printer);
    ASSERT_GE(pages.size(), 5u);
    const int n = int(pages.size());

    // Every number once, in order, over several pages; the heads on the first page only.
    QStringList expected;
    for (int i = 1; i <= 80; ++i)
        expected << QString::number(i) + ".";
    EXPECT_EQ(Numbers(pages), expected);
    EXPECT_TRUE(pages[0].contains(kHeads));
    for (int p = 1; p < n; ++p)
        EXPECT_FALSE(pages[size_t(p)].contains(kHeads)) << "page " << p + 1;
    EXPECT_TRUE(pages[1].contains("Kandidaat40") || pages[1].contains("Kandidaat80"));

    // The footnotes follow the last row, on its page, below it.
    const int lastRowPage = n - 3;
    ASSERT_TRUE(pages[size_t(lastRowPage - 1)].contains("80."));
    EXPECT_GT(TopOf(printer, lastRowPage, kFootnote), TopOf(printer, lastRowPage, "80."));
    EXPECT_TRUE(pages[size_t(lastRowPage - 1)].contains("zie toelichting punt 1"));

    // The three texts each open a page of their own, in order.
    EXPECT_EQ(pages[size_t(n - 3)].front(), kTextA);
    EXPECT_EQ(pages[size_t(n - 2)].front(), kTextC);
    EXPECT_EQ(pages[size_t(n - 1)].front(), kTextE);

    // The page footer on every page, the last one included; no text is missing.
    for (int p = 0; p < n; ++p) {
        EXPECT_TRUE(pages[size_t(p)].contains(H1FooterNotice)) << "page " << p + 1;
        EXPECT_TRUE(pages[size_t(p)].contains(H1FormCode)) << "page " << p + 1;
        for (const QString& text : pages[size_t(p)])
            EXPECT_FALSE(text.contains("ontbreekt")) << text.toStdString();
    }
}

TEST_F(H1Report, TheAgentAndSubstituteStandOnTheFirstTextPage)
{
    AddNumbered(1);
    const auto form = Prepared();
    const auto pages = Pages(*form->Report.QRPrinter());
    const QStringList& page = pages[1];
    EXPECT_EQ(page.front(), kTextA);
    EXPECT_TRUE(page.contains("P. de Vries"));
    EXPECT_TRUE(page.contains("Kerkweg 4   3511 AA   Utrecht"));
    EXPECT_TRUE(page.contains("K. Bos"));
    EXPECT_TRUE(page.contains("Laan 9   1011 BB   Amsterdam"));
    EXPECT_TRUE(page.contains("Als diens plaatsvervanger(s) wordt (worden) aangewezen:"));
    // H1b's signature lines follow the substitute.
    EXPECT_GT(page.indexOf(QRegularExpression("^Plaats en datum.*")), page.indexOf("K. Bos"));
}

// The texts from FORMS/ beside a copy of this program in folders whose names hold letters of
// Windows-1252 and beyond it.
TEST(H1ReportFolders, TheTextsAreReadFromAProgramFolderWithLettersOutsideAscii)
{
    for (const QString& sub : FolderNamesOutsideAscii()) {
        SCOPED_TRACE(sub.toStdString());
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const QString folder = dir.filePath(sub);
        ASSERT_TRUE(QDir().mkpath(folder + "/FORMS"));
        const QString forms = QCoreApplication::applicationDirPath() + "/FORMS/";
        for (const QString& name : QDir(forms).entryList({"H1*.rtf"}, QDir::Files))
            ASSERT_TRUE(QFile::copy(forms + name, folder + "/FORMS/" + name)) << name.toStdString();
        const TChildRun run = RunThisTest("H1Report.TheAgentAndSubstituteStandOnTheFirstTextPage", folder);
        EXPECT_TRUE(run.Passed()) << run.Output;
    }
}

TEST_F(H1Report, WithoutCandidatesTheReportStillPrints)
{
    const auto form = Prepared();
    const auto pages = Pages(*form->Report.QRPrinter());
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_TRUE(pages[0].contains("KANDIDATENLIJST"));
    EXPECT_TRUE(pages[0].contains(kHeads));
    EXPECT_TRUE(pages[0].contains(kFootnote));
    EXPECT_TRUE(Numbers(pages).isEmpty());
    EXPECT_EQ(pages[1].front(), kTextA);
    EXPECT_EQ(pages[2].front(), kTextC);
    EXPECT_EQ(pages[3].front(), kTextE);
}

TEST_F(H1Report, WithoutAPartyRecordThePartyLabelsStayEmpty)
{
    PartijList->Clear();
    AddNumbered(2);
    const auto form = Prepared();
    const auto pages = Pages(*form->Report.QRPrinter());
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(Numbers(pages), QStringList({"1.", "2."}));
    EXPECT_FALSE(pages[0].contains("Groen Links Midden"));
    EXPECT_FALSE(pages[1].contains("P. de Vries"));
}

TEST_F(H1Report, NumbersThatAreNoIntegerPrintAsStored)
{
    // Free text after an import: the rows sort on the padded text; such a row shows its number as it
    // stands, the others as usual.
    Add({.nr = "2", .achternaam = "Twee"});
    Add({.nr = "x1", .achternaam = "Vrij"});
    Add({.nr = " 3", .achternaam = "Spatie"});
    Add({.nr = "-1", .achternaam = "Min"});
    const auto form = Prepared();
    const auto pages = Pages(*form->Report.QRPrinter());
    ASSERT_EQ(pages.size(), 4u);
    const QStringList& page = pages[0];
    for (const auto& [nr, name] : {std::pair{"2.", "Twee"}, {"x1", "Vrij"}, {"3", "Spatie"}, {"-1", "Min"}}) {
        const auto at = page.indexOf(nr);
        ASSERT_GE(at, 0) << nr;
        EXPECT_EQ(page.value(at + 1), name) << nr;
    }
}

TEST_F(H1Report, AMissingOrDamagedTextPrintsANoteInItsPlace)
{
    AddNumbered(3);
    QTemporaryDir dir;
    const QString source = QCoreApplication::applicationDirPath() + "/FORMS/";
    QDir().mkpath(dir.path() + "/FORMS");
    for (const char* name : {"H1b.rtf", "H1d.rtf", "H1e.rtf", "H1f.rtf"})
        ASSERT_TRUE(QFile::copy(source + name, dir.path() + "/FORMS/" + name)) << name;
    // H1a is missing, H1c is cut off in the middle of a group.
    ASSERT_TRUE(WriteFileBytes(dir.path() + "/FORMS/H1c.rtf", "{\\rtf1\\ansi {\\b Toelichting"));

    const auto form = Prepared(dir.path());
    const auto pages = Pages(*form->Report.QRPrinter());
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(Numbers(pages), QStringList({"1.", "2.", "3."}));
    const QString a = pages[1].join(' ');
    const QString c = pages[2].join(' ');
    EXPECT_TRUE(a.contains("FORMS/H1a.rtf kon niet worden gelezen")) << a.toStdString();
    EXPECT_TRUE(c.contains("FORMS/H1c.rtf kon niet worden gelezen")) << c.toStdString();
    EXPECT_TRUE(c.contains("Ongeldige RTF-tekst")) << c.toStdString();
    // The texts that are there still print, and so do the labels around the missing one.
    EXPECT_TRUE(pages[1].contains("P. de Vries"));
    EXPECT_TRUE(pages[2].join(' ').contains("Inleveren"));
    EXPECT_EQ(pages[3].front(), kTextE);
}

// A text that is no regular file (a FIFO, a link to one or to a device), one larger than the bound,
// or one of too many paragraphs prints the note; nothing waits, and the size is checked first.
TEST_F(H1Report, ATextThatIsNoRegularFileOrTooLargePrintsTheNote)
{
    AddNumbered(1);
    QTemporaryDir dir;
    const QString forms = dir.path() + "/FORMS/";
    const QString source = QCoreApplication::applicationDirPath() + "/FORMS/";
    QDir().mkpath(forms);
    for (const char* name : {"H1b.rtf", "H1d.rtf"})
        ASSERT_TRUE(QFile::copy(source + name, forms + name)) << name;
    ASSERT_EQ(::mkfifo(QFile::encodeName(forms + "H1a.rtf").constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.path() + "/pijp").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(dir.path() + "/pijp", forms + "H1c.rtf"));
    ASSERT_TRUE(QFile::link("/dev/zero", forms + "H1e.rtf"));
    ASSERT_TRUE(WriteFileBytes(forms + "H1f.rtf", ""));
    ASSERT_EQ(::truncate(QFile::encodeName(forms + "H1f.rtf").constData(), off_t(MaxRtfBytes) + 1), 0);
    std::string paragraphs = "{\\rtf1 ";
    for (std::size_t i = 0; i <= MaxRtfParagraphs; ++i)
        paragraphs += "\\par ";
    ASSERT_TRUE(WriteFileBytes(forms + "H1b.rtf", paragraphs + "}"));

    const auto form = Prepared(dir.path());
    const auto pages = Pages(*form->Report.QRPrinter());
    ASSERT_EQ(pages.size(), 4u);
    const QString all = (pages[1] + pages[2] + pages[3]).join(' ');
    for (const char* name : {"H1a", "H1c", "H1e"})
        EXPECT_TRUE(all.contains(QString("FORMS/%1.rtf kon niet worden gelezen (het is geen gewoon bestand)").arg(name)))
            << name << all.toStdString();
    EXPECT_TRUE(all.contains("FORMS/H1f.rtf kon niet worden gelezen (het bestand is groter dan 64 MB)")) << all.toStdString();
    EXPECT_TRUE(all.contains("FORMS/H1b.rtf kon niet worden gelezen (Ongeldige RTF-tekst: meer dan 1000 alinea's)"))
        << all.toStdString();
    EXPECT_TRUE(pages[1].contains("P. de Vries"));
}

// Memory that runs out while a text is read prints the note, in words, instead of ending the report.
TEST_F(H1Report, ATextForWhichMemoryRunsOutPrintsTheNote)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than a limit on it leaves";
#else
    AddNumbered(1);
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/FORMS");
    const QString text = dir.path() + "/FORMS/H1a.rtf";
    ASSERT_TRUE(WriteFileBytes(text, ""));
    ASSERT_EQ(::truncate(QFile::encodeName(text).constData(), off_t(MaxRtfBytes)), 0);
    auto form = TBaseForm::Create<TfrmOvzKandidatenlijstH1>();
    form->Initialize();
    form->ProgramDir = QFile::encodeName(dir.path()).toStdString() + "/";
    {
        // The address space in use and 32 MB more: half of what the text alone would need.
        const AddressSpaceLimit limit(32 << 20);
        form->Report.Prepare();
    }
    const QString page = Pages(*form->Report.QRPrinter())[1].join(' ');
    EXPECT_TRUE(page.contains("FORMS/H1a.rtf kon niet worden gelezen (onvoldoende geheugen)")) << page.toStdString();
#endif
}

// Long initials, names, addresses and a free-text birth date wrap within their own columns (each
// ends 4 pixels before the next one starts); a row that grows keeps the room under its last line.
TEST_F(H1Report, LongTextsStayInTheirColumnsAndGrownRowsKeepTheirGap)
{
    Add({.nr = "1", .achternaam = "Kort"});
    // The longest texts the fields hold, in the widest letters.
    std::string longest;
    while (longest.size() < 50)
        longest += "WM";
    Add({.nr = "2", .voorvoegsels = "van der", .achternaam = longest,
         .voorletters = "W.W.M.M.H.H.W.W", .geboortedatum = "WWWWWWWWWW",
         .adres = "Burgemeester van Walsum-Bloemendaalstraat 1234", .postcode = "9999 ZZ",
         .plaats = "Westerhoven-Noordeloos-Oosterbroek"});
    Add({.nr = "3", .achternaam = "Daarna"});
    const auto form = Prepared();
    const TQRPrinter& printer = *form->Report.QRPrinter();
    const std::vector<TQRTextItem>& texts = printer.Page(1).Texts;
    const double left = form->Report.PrintableRect().left();
    // Column edges (band pixels) as the heads stand: nr, naam, voorletters, geboortedatum, adres, pc/wp.
    const double edges[] = {8, 40, 192, 264, 344, 503, 640};
    const double rowTop = TopOf(printer, 1, "2.") - 3;
    const double nextRowTop = TopOf(printer, 1, "3.") - 3;
    ASSERT_GT(rowTop, 0);
    double lastBottom = 0;
    int lines = 0;
    for (const TQRTextItem& item : texts) {
        if (item.Rect.top() < rowTop - 0.5 || item.Rect.top() >= nextRowTop)
            continue;
        ++lines;
        lastBottom = std::max(lastBottom, item.Rect.bottom());
        const double x = item.Rect.left() - left;
        const auto column = std::upper_bound(std::begin(edges), std::end(edges), x + 0.01) - 1;
        ASSERT_NE(column, std::end(edges) - 1) << item.Text.toStdString();
        EXPECT_LE(item.Rect.right() - left, *(column + 1) - 3.99)
            << item.Text.toStdString() << " runs out of the column at " << *column;
    }
    // Every text is there whole, over several lines.
    QString row;
    for (const TQRTextItem& item : texts)
        if (item.Rect.top() >= rowTop - 0.5 && item.Rect.top() < nextRowTop)
            row += item.Text;
    for (const std::string& whole : {std::string("W.W.M.M.H.H.W.W"), std::string("WWWWWWWWWW"), longest})
        EXPECT_TRUE(row.contains(QString::fromStdString(whole))) << whole << " in " << row.toStdString();
    EXPECT_GE(lines, 10);
    // The row grew to at least four lines and keeps the 3 pixels a one-line row has under its box.
    EXPECT_GE(lastBottom - rowTop, 4 * QFontMetricsF(form->lblNaam->Font).height());
    EXPECT_GE(nextRowTop - lastBottom, 3 - 0.01);
    // A one-line row keeps its design height.
    EXPECT_NEAR(rowTop - (TopOf(printer, 1, "1.") - 3), 22, 0.01);
}

// The pages of a fixed list (short and long texts, rows over several pages, the three text pages)
// as recorded: each page's picture and its texts with their boxes and fonts, by checksum.  A change
// in how labels are measured or painted must leave every page as it was.
TEST_F(H1Report, PagesAreThoseRecordedForAFixedList)
{
    for (int i = 1; i <= 120; ++i) {
        const std::string n = std::to_string(i);
        Add({.nr = n, .voorvoegsels = i % 3 == 0 ? "van der" : "",
             .achternaam = i % 7 == 0 ? "Westerhout-Oosterbroek-Zuidervaart-Noordeloos" : "Achternaam" + n,
             .voorletters = i % 11 == 0 ? "W.M.H.J.K.L.P." : "A.B.", .geboortedatum = "01-02-1970",
             .adres = i % 5 == 0 ? "Burgemeester van Walsum-Bloemendaalstraat " + n : "Markt " + n,
             .postcode = "1234 AB", .plaats = i % 4 == 0 ? "Westerhoven-Noordeloos-Oosterbroek" : "Utrecht"});
    }
    const auto form = Prepared();
    const TQRPrinter& printer = *form->Report.QRPrinter();
    QStringList pictures, texts;
    const auto sum = [](const QByteArray& bytes) {
        return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(16));
    };
    for (int p = 1; p <= printer.PageCount(); ++p) {
        const TQRPageContent page = printer.Page(p);
        pictures << sum(QByteArray(page.Picture.data(), page.Picture.size()));
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        for (const TQRTextItem& item : page.Texts)
            out << item.Rect << item.Text << item.Font.toString() << int(item.Alignment);
        texts << sum(bytes);
    }
    // Recorded on Debian 12 (Qt 6.4, "Arial" resolved to Liberation Sans by fontconfig).
    EXPECT_EQ(pictures.join(' ').toStdString(), "782a4d940d53ae19 a7dc50ca86af6fde 01f430d527042f1c fe9d533809775e69 "
                                                "77b66bc4b724bb26 208b9bfecdaec141 ac8af3bcf8269b55");
    EXPECT_EQ(texts.join(' ').toStdString(), "fd16b60d376246ee 3ec9dbd9dbf21854 bdb1c3e535c1449f 3a28f44d971a5cb9 "
                                             "3638f98102d8cb58 02fb204ab96d42f0 9b878eafe3844773");
}

// The export to RTF read back by LibreOffice (as a PDF): as many pages as the report (give or take
// one) and every column head over its column, as on the report's own pages.
TEST_F(H1Report, RtfExportKeepsThePagesAndTheHeadsOverTheirColumns)
{
    AddNumbered(130);
    const auto form = Prepared();
    const TQRPrinter& printer = *form->Report.QRPrinter();
    QTemporaryDir dir;
    const QString rtf = dir.filePath("h1.rtf");
    TQRRTFExportFilter filter(QFile::encodeName(rtf).toStdString());
    printer.ExportToFilter(filter);
    QString error;
    const QString pdf = OfficeConvert(rtf, "pdf", dir.filePath("pdf"), &error);
    ASSERT_FALSE(pdf.isEmpty()) << error.toStdString();

    QProcess pdfinfo;
    pdfinfo.start("pdfinfo", {pdf});
    ASSERT_TRUE(pdfinfo.waitForFinished(30000));
    const QRegularExpressionMatch pages =
        QRegularExpression("Pages: +(\\d+)").match(QString::fromUtf8(pdfinfo.readAllStandardOutput()));
    ASSERT_TRUE(pages.hasMatch());
    EXPECT_NEAR(pages.captured(1).toInt(), printer.PageCount(), 1);

    // The left edge (points) of the first word on page 1 equal to text, below the heads when below.
    QProcess bbox;
    bbox.start("pdftotext", {"-f", "1", "-l", "1", "-bbox", pdf, "-"});
    ASSERT_TRUE(bbox.waitForFinished(30000));
    const QString html = QString::fromUtf8(bbox.readAllStandardOutput());
    const auto wordLeft = [&html](const QString& text, double below = 0) {
        const QRegularExpression word("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>([^<]*)</word>");
        for (auto it = word.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            if (m.captured(3) == text && m.captured(2).toDouble() > below)
                return std::pair{m.captured(1).toDouble(), m.captured(2).toDouble()};
        }
        return std::pair{-1.0, -1.0};
    };
    const auto [naamHead, headTop] = wordLeft("naam");
    ASSERT_GT(naamHead, 0) << html.left(2000).toStdString();
    struct {
        QString head, cell;
    } columns[] = {{"naam", "Kandidaat1"}, {"voorletters", "A."}, {"geboorte-", "01-02-1970"},
                   {"adres", "Dorpsstraat"}, {"postcode", "1234"}};
    for (const auto& c : columns) {
        const double head = wordLeft(c.head).first;
        const double cell = wordLeft(c.cell, headTop + 5).first;
        EXPECT_NEAR(head, cell, 1.5) << c.head.toStdString() << " over " << c.cell.toStdString();
    }
    // The number column: the head "nr." stands left of the name column, over the numbers.
    EXPECT_NEAR(wordLeft("nr.").first, wordLeft("1.", headTop + 5).first, 1.5);
}

// ShowReport previews through the shared previewer, which shows the built pages modally and
// frees them when it closes.
TEST_F(H1Report, ShowReportPreviewsInTheSharedPreviewerAndPrintsToPdf)
{
    AddNumbered(30);
    TfrmZEBPreviewer previewer;
    frmZEBPreviewer = &previewer;
    QTemporaryDir dir;
    const QString pdf = dir.path() + "/h1.pdf";
    QString caption, info;
    bool preference = true;
    int count = 0;
    bool shown = false;
    RunWhen([&] { return PreviewerReady(previewer); },
            [&] {
                shown = true;
                caption = previewer.windowTitle();
                info = previewer.lblPage->text();
                preference = previewer.PrinterPreference;
                count = previewer.QRPrinter()->PageCount();
                previewer.QRPrinter()->Printer().setOutputFileName(pdf);
                QTest::keyClick(previewer.ZEBPreview, Qt::Key_F2);
                QTest::keyClick(previewer.ZEBPreview, Qt::Key_Escape);
            },
            &previewer);
    auto form = TBaseForm::Create<TfrmOvzKandidatenlijstH1>();
    form->Initialize();
    form->ShowReport();
    frmZEBPreviewer = nullptr;

    ASSERT_TRUE(shown);
    EXPECT_EQ(caption, "Quandor 4 - Kandidatenlijst - Model H1 ");
    EXPECT_FALSE(preference);
    EXPECT_GE(count, 4);
    EXPECT_EQ(info, QString("1 van %1").arg(count));
    EXPECT_FALSE(previewer.isVisible());
    EXPECT_EQ(previewer.QRPrinter(), nullptr);
    EXPECT_EQ(form->Report.QRPrinter(), nullptr);

    // The PDF carries the report's title and holds the pages as the preview showed them.
    QProcess pdfinfo;
    pdfinfo.start("pdfinfo", {pdf});
    ASSERT_TRUE(pdfinfo.waitForFinished(30000));
    EXPECT_TRUE(QString::fromUtf8(pdfinfo.readAllStandardOutput())
                    .contains(QRegularExpression("Title: +Kandidatenlijst - Model H1\\n")));
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", pdf, "-"});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    EXPECT_EQ(text.count('\f'), count);
    for (const QString& expected : {QString("KANDIDATENLIJST"), QString("Kandidaat1"), QString("30."),
                                    QString("Kandidaat30"), kTextA, kTextE, QString(H1FormCode)})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString();
}

} // namespace
