// Laying bands out into pages: page breaks, rows moved whole, footers, forced new pages, empty
// reports, and the threaded build behind Preview.
#include "report/QRPrntr.h"
#include "report/QuickRpt.h"

#include "AnsiText.h"
#include "Exceptions.h"
#include "ErrorOf.h"
#include "ModalAnswer.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <thread>

namespace {

// A report like a list form: title with column heads, one row per item, footer, summary and
// a child of the summary on a page of its own.
struct ListReport {
    TQuickRep report;
    TQRBand& title = report.AddBand<TQRBand>(rbTitle);
    TQRChildBand& heads = report.AddBand<TQRChildBand>(title);
    TQRStringsBand& rows = report.AddBand<TQRStringsBand>();
    TQRBand& footer = report.AddBand<TQRBand>(rbPageFooter);
    TQRBand& summary = report.AddBand<TQRBand>(rbSummary);
    TQRChildBand& extra = report.AddBand<TQRChildBand>(summary);
    TQRLabel& name = rows.Add<TQRLabel>();

    explicit ListReport(int count, const std::string& longItem = {})
    {
        report.Page.TopMargin = 177.8;
        report.Page.RightMargin = 228.6;
        report.Options.LastPageFooter = true;
        title.Height = 100;
        title.Add<TQRLabel>("TITEL");
        heads.Height = 30;
        heads.Add<TQRLabel>("KOP");
        rows.Height = 22;
        rows.Frame.DrawBottom = true;
        name.Left = 40;
        name.Width = 150;
        name.AutoStretch = true;
        name.WordWrap = true;
        name.AutoSize = false;
        rows.BeforePrint = [this, longItem](TQRCustomBand& band, bool&) {
            const std::string& item = static_cast<TQRStringsBand&>(band).Item();
            name.Caption = item == longItem ? "lang " + item + " met een naam die over vele regels doorloopt tot "
                                                                 "ver voorbij de breedte van de kolom heen"
                                            : "rij " + item;
        };
        footer.Height = 21;
        footer.Add<TQRLabel>("VOET");
        summary.Height = 74;
        summary.Add<TQRLabel>("SLOT");
        extra.ForceNewPage = true;
        extra.Height = 50;
        extra.Add<TQRLabel>("BIJLAGE");
        TQRRichText& text = extra.Add<TQRRichText>();
        text.Top = 20;
        text.Width = 300;
        extra.BeforePrint = [&text](TQRCustomBand&, bool&) {
            text.SetRtf("{\\rtf1 {\\b Verklaring}\\par ondertekend te \\'e9\\'e9n plaats}");
        };
        for (int i = 1; i <= count; ++i)
            rows.Items.push_back(std::to_string(i));
    }
};

std::vector<QStringList> PageTexts(const TQRPrinter& printer)
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

// Which page each text starting with prefix is on.
std::vector<int> PagesOf(const std::vector<QStringList>& pages, const QString& prefix)
{
    std::vector<int> found;
    for (size_t p = 0; p < pages.size(); ++p)
        for (const QString& text : pages[p])
            if (text.startsWith(prefix))
                found.push_back(int(p) + 1);
    return found;
}

TEST(QuickRpt, BandsFlowOverPagesWithFooterOnEveryPageAndForcedNewPage)
{
    struct Case {
        int rows;
        int expectedPages; // rows fill pages, then the summary, then the child on its own page
    };
    // Printable height 1122.5 - 67.2 - 48 = 1007.3, less the footer 21: 986.3.  Page 1 holds
    // 100 + 30 + 38 rows of 22; later pages 44 rows.
    for (const Case c : {Case{0, 2}, Case{1, 2}, Case{38, 3}, Case{40, 3}, Case{38 + 44 + 1, 4}}) {
        ListReport r(c.rows);
        r.report.Prepare();
        const TQRPrinter& printer = *r.report.QRPrinter();
        EXPECT_EQ(printer.Status(), mpFinished);
        const auto pages = PageTexts(printer);
        ASSERT_EQ(int(pages.size()), c.expectedPages) << c.rows;
        std::vector<int> all(pages.size());
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = int(i) + 1;
        EXPECT_EQ(PagesOf(pages, "VOET"), all) << c.rows;
        EXPECT_EQ(PagesOf(pages, "TITEL"), std::vector<int>{1});
        EXPECT_EQ(PagesOf(pages, "KOP"), std::vector<int>{1});
        EXPECT_EQ(PagesOf(pages, "BIJLAGE"), std::vector<int>{c.expectedPages});
        EXPECT_EQ(pages.back(), (QStringList{"BIJLAGE", "Verklaring", QString::fromUtf8("ondertekend te één plaats"), "VOET"}))
            << "the child starts a page of its own";
        const auto rowPages = PagesOf(pages, "rij ");
        EXPECT_EQ(int(rowPages.size()), c.rows);
        EXPECT_TRUE(std::is_sorted(rowPages.begin(), rowPages.end()));
        if (c.rows == 40) {
            EXPECT_EQ(std::count(rowPages.begin(), rowPages.end(), 1), 38);
        }
        // The summary follows the last row, on its page when there is room.
        const auto slot = PagesOf(pages, "SLOT");
        ASSERT_EQ(slot.size(), 1u);
        const int lastRowPage = c.rows == 0 ? 1 : rowPages.back();
        EXPECT_TRUE(slot[0] == lastRowPage || slot[0] == lastRowPage + 1) << c.rows;
        EXPECT_EQ(slot[0], c.expectedPages - 1);
    }
}

TEST(QuickRpt, FooterSitsAtTheBottomAndRowsStayAboveIt)
{
    ListReport r(100);
    r.report.Prepare();
    const TQRPrinter& printer = *r.report.QRPrinter();
    const double bottom = r.report.PrintableRect().bottom();
    for (int p = 1; p <= printer.PageCount(); ++p) {
        double footerTop = 0, lowestRow = 0;
        for (const TQRTextItem& item : printer.Page(p).Texts) {
            if (item.Text == "VOET")
                footerTop = item.Rect.top();
            else
                lowestRow = std::max(lowestRow, item.Rect.bottom());
        }
        EXPECT_NEAR(footerTop, bottom - 21, 0.01) << p;
        EXPECT_LE(lowestRow, footerTop) << p;
    }
}

TEST(QuickRpt, AGrowingRowMovesWholeToTheNextPage)
{
    // Row 38 is the last that fits on page 1 at 22 high; grown to several lines it moves whole.
    ListReport r(40, "38");
    r.report.Prepare();
    const auto pages = PageTexts(*r.report.QRPrinter());
    ASSERT_GE(pages.size(), 2u);
    for (const char* word : {"lang 38", "regels", "heen"}) {
        EXPECT_FALSE(pages[0].join("|").contains(word)) << word;
        EXPECT_TRUE(pages[1].join("|").contains(word)) << word;
    }
    EXPECT_EQ(PagesOf(pages, "rij 37"), std::vector<int>{1});
    EXPECT_EQ(PagesOf(pages, "rij 39"), std::vector<int>{2});
}

TEST(QuickRpt, WrappedLabelLinesStayWithinTheWidthAndStretchTheBand)
{
    TQuickRep report;
    TQRBand& band = report.AddBand<TQRBand>(rbTitle);
    band.Height = 20;
    TQRLabel& label = band.Add<TQRLabel>("een twee drie vier vijf zes zeven acht negen tien elf twaalf");
    label.Width = 80;
    label.AutoSize = false;
    label.WordWrap = true;
    label.AutoStretch = true;
    const QStringList lines = label.Lines();
    ASSERT_GT(lines.size(), 2);
    EXPECT_EQ(lines.join(' '), AnsiToQString(label.Caption));
    const QFontMetricsF metrics(label.Font);
    for (const QString& line : lines)
        EXPECT_LE(metrics.horizontalAdvance(line), 80.5) << line.toStdString();
    // The band grows as much as the label (17 high by default), keeping the 3 pixels under it.
    EXPECT_NEAR(band.PrintHeight(), lines.size() * metrics.height() + 3, 0.01);
    label.AutoStretch = false;
    EXPECT_EQ(band.PrintHeight(), 20);
}

// A label is measured once per caption, font, width and wrapping: changing any of them measures
// it afresh (as a handler does between rows).
TEST(QuickRpt, ALabelIsMeasuredAfreshWhenItsCaptionFontOrWidthChanges)
{
    TQuickRep report;
    TQRBand& band = report.AddBand<TQRBand>(rbTitle);
    TQRLabel& label = band.Add<TQRLabel>("een twee drie vier");
    label.Width = 300;
    label.AutoSize = false;
    label.WordWrap = true;
    label.AutoStretch = true;
    EXPECT_EQ(label.Lines(), QStringList{"een twee drie vier"});
    const double oneLine = label.PrintHeight();

    label.Caption = "vijf zes zeven acht negen tien elf twaalf dertien veertien vijftien zestien zeventien";
    EXPECT_EQ(label.Lines().join(' '), AnsiToQString(label.Caption));
    EXPECT_GT(label.Lines().size(), 1);
    const qsizetype wide = label.Lines().size();

    label.Width = 60;
    EXPECT_GT(label.Lines().size(), wide);
    const double narrow = label.PrintHeight();

    label.Font.setPixelSize(label.Font.pixelSize() * 2);
    EXPECT_GT(label.PrintHeight(), narrow);

    label.WordWrap = false;
    EXPECT_EQ(label.Lines().size(), 1);
    label.Caption = "een";
    label.AutoSize = true;
    label.Font.setPixelSize(label.Font.pixelSize() / 2);
    EXPECT_EQ(label.PrintHeight(), oneLine);
    EXPECT_NEAR(label.TextRect().width(), QFontMetricsF(label.Font).horizontalAdvance("een"), 0.01);
}

// A rich-text line with tabs leaves one text per part, each where it is painted, so that the
// exports can place them.
TEST(QuickRpt, RichTextPartsBetweenTabsAreTextsOfTheirOwn)
{
    TQuickRep report;
    TQRBand& band = report.AddBand<TQRBand>(rbTitle);
    TQRRichText& text = band.Add<TQRRichText>();
    text.Width = 400;
    text.SetRtf("{\\rtf1 Naam:\\tab ........\\par Woonplaats en land:\\tab ........\\par Zonder tab\\par}");
    report.Prepare();
    const std::vector<TQRTextItem>& texts = report.QRPrinter()->Page(1).Texts;
    QStringList words;
    for (const TQRTextItem& item : texts)
        words << item.Text;
    EXPECT_EQ(words, QStringList({"Naam:", "........", "Woonplaats en land:", "........", "Zonder tab"}));
    ASSERT_EQ(texts.size(), 5u);
    const QFontMetricsF metrics(texts[0].Font);
    EXPECT_NEAR(texts[0].Rect.width(), metrics.horizontalAdvance("Naam:"), 0.5);
    EXPECT_GT(texts[1].Rect.left(), texts[0].Rect.right());
    EXPECT_GT(texts[3].Rect.left(), texts[2].Rect.right());
    EXPECT_EQ(texts[1].Rect.top(), texts[0].Rect.top());
    EXPECT_EQ(texts[0].Rect.left(), texts[4].Rect.left());
}

TEST(QuickRpt, RightAlignedAutoSizeLabelKeepsItsRightEdge)
{
    TQuickRep report;
    TQRBand& band = report.AddBand<TQRBand>(rbTitle);
    TQRLabel& label = band.Add<TQRLabel>("Model H1");
    label.Alignment = taRightJustify;
    label.Left = 539;
    label.Width = 100;
    const QRectF box = label.TextRect();
    EXPECT_NEAR(box.right(), 639, 0.01);
    EXPECT_LT(box.width(), 100);
}

TEST(QuickRpt, EmptyReportPrintsOnlyWhenAsked)
{
    ListReport r(0);
    r.report.PrintIfEmpty = false;
    r.report.Prepare();
    EXPECT_EQ(r.report.QRPrinter()->PageCount(), 0);
    EXPECT_EQ(r.report.QRPrinter()->Status(), mpFinished);
}

TEST(QuickRpt, RefusedOrDisabledBandLeavesOutItsChildren)
{
    for (const bool disable : {false, true}) {
        ListReport r(2);
        if (disable)
            r.summary.Enabled = false;
        else
            r.summary.BeforePrint = [](TQRCustomBand&, bool& print) { print = false; };
        r.report.Prepare();
        const auto pages = PageTexts(*r.report.QRPrinter());
        EXPECT_EQ(pages.size(), 1u);
        EXPECT_TRUE(PagesOf(pages, "SLOT").empty());
        EXPECT_TRUE(PagesOf(pages, "BIJLAGE").empty());
    }
}

TEST(QuickRpt, PreviewBuildsOnAThreadAndEndsWithTheSamePagesAsPrepare)
{
    ListReport prepared(300);
    prepared.report.Prepare();
    const auto expected = PageTexts(*prepared.report.QRPrinter());

    ListReport r(300);
    std::thread::id handlerThread, buildThread;
    r.rows.BeforePrint = [&, inner = r.rows.BeforePrint](TQRCustomBand& band, bool& print) {
        buildThread = std::this_thread::get_id();
        inner(band, print);
    };
    std::unique_ptr<TQRPrinter> taken;
    r.report.OnPreview = [&](TQuickRep& sender) {
        handlerThread = std::this_thread::get_id();
        EXPECT_EQ(&sender, &r.report);
        taken = sender.ReleaseQRPrinter();
    };
    r.report.Preview();
    ASSERT_TRUE(taken);
    EXPECT_EQ(r.report.QRPrinter(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return taken->Status() == mpFinished; }, 30000));
    EXPECT_EQ(handlerThread, std::this_thread::get_id());
    EXPECT_NE(buildThread, std::this_thread::get_id());
    EXPECT_EQ(taken->ErrorMessage(), "");
    EXPECT_EQ(PageTexts(*taken), expected);
}

TEST(QuickRpt, AFailingHandlerEndsTheThreadedBuildWithItsMessage)
{
    ListReport r(50);
    r.rows.BeforePrint = [](TQRCustomBand& band, bool&) {
        if (static_cast<TQRStringsBand&>(band).Item() == "45")
            throw Exception("kapot");
    };
    r.report.OnPreview = [](TQuickRep&) {};
    r.report.Preview();
    TQRPrinter& printer = *r.report.QRPrinter();
    ASSERT_TRUE(WaitFor([&] { return printer.Status() == mpFinished; }, 30000));
    EXPECT_EQ(printer.ErrorMessage(), "kapot");
    EXPECT_EQ(printer.PageCount(), 1); // the first page was finished before the failure
}

TEST(QuickRpt, FreeingTheReportOrPrinterDuringABuildStopsIt)
{
    for (const bool freePrinterFirst : {true, false}) {
        auto r = std::make_unique<ListReport>(20000);
        std::unique_ptr<TQRPrinter> printer;
        r->report.OnPreview = [&](TQuickRep& sender) { printer = sender.ReleaseQRPrinter(); };
        r->report.Preview();
        ASSERT_TRUE(printer);
        if (freePrinterFirst) {
            printer.reset();
        } else {
            r.reset();
            EXPECT_EQ(printer->Status(), mpFinished);
            EXPECT_LT(printer->PageCount(), 400);
        }
    }
}

TEST(QuickRpt, RichTextLoadsFromFilesGrowsAndIsCutWhenItMayNot)
{
    QTemporaryDir dir;
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}";
    for (int i = 1; i <= 30; ++i)
        rtf += "Alinea " + std::to_string(i) + " van de verklaring\\par ";
    rtf += "}";
    const QString good = dir.filePath("goed.rtf");
    const QString damaged = dir.filePath("kapot.rtf");
    ASSERT_TRUE(WriteFileBytes(good, rtf));
    ASSERT_TRUE(WriteFileBytes(damaged, rtf.substr(0, rtf.size() - 1)));

    TQuickRep report;
    TQRBand& band = report.AddBand<TQRBand>(rbSummary);
    band.Height = 40;
    TQRRichText& text = band.Add<TQRRichText>();
    text.Top = 10;
    text.Width = 300;
    text.Height = 20;
    text.SetText("vooraf");
    EXPECT_NE(ErrorOf<EInOutError>([&] { text.LoadFromFile(dir.filePath("weg.rtf").toStdString()); }),
              "(no error)");
    EXPECT_EQ(ErrorOf<EConvertError>([&] { text.LoadFromFile(damaged.toStdString()); }),
              "Ongeldige RTF-tekst: de tekst houdt op binnen een groep");
    EXPECT_EQ(text.PlainText(), "vooraf");
    text.LoadFromFile(good.toStdString());
    EXPECT_TRUE(text.PlainText().startsWith("Alinea 1 van de verklaring\nAlinea 2 "));

    for (const bool stretch : {true, false}) {
        text.AutoStretch = stretch;
        report.Prepare();
        const auto pages = PageTexts(*report.QRPrinter());
        ASSERT_EQ(pages.size(), 1u);
        if (stretch) {
            EXPECT_GT(band.PrintHeight(), 30 * 12.0);
            ASSERT_EQ(pages[0].size(), 30);
            for (int i = 0; i < 30; ++i)
                EXPECT_EQ(pages[0][i], QString("Alinea %1 van de verklaring").arg(i + 1));
        } else {
            EXPECT_EQ(band.PrintHeight(), 40);
            EXPECT_EQ(pages[0], QStringList{"Alinea 1 van de verklaring"});
        }
    }
}

} // namespace
