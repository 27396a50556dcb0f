// The preview control: pages at a zoom, fitting the page width, scrolling; the library's own
// preview window when a report has no preview handler.
#include "report/QRPreview.h"
#include "report/QuickRpt.h"

#include "ModalAnswer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QScrollBar>

namespace {

struct ThreePages {
    TQuickRep report;
    TQRStringsBand& rows = report.AddBand<TQRStringsBand>();
    ThreePages()
    {
        rows.Height = 600;
        TQRLabel& label = rows.Add<TQRLabel>();
        rows.BeforePrint = [&label, this](TQRCustomBand&, bool&) { label.Caption = "pagina " + rows.Item(); };
        rows.Items = {"1", "2", "3"};
        report.ReportTitle = "Proef";
    }
};

TEST(QRPreview, ShowsThePageAskedAtItsZoom)
{
    ThreePages r;
    r.report.Prepare();
    TQRPreview preview;
    preview.resize(900, 600);
    EXPECT_TRUE(preview.PageImage().isNull()) << "nothing to show without a printer";
    preview.SetQRPrinter(r.report.QRPrinter());
    const QSizeF page = r.report.PagePixels();

    struct Case {
        int zoom, shownZoom;
    };
    for (const Case c : {Case{100, 100}, Case{50, 50}, Case{200, 200}, Case{0, 1}, Case{5000, 1000}}) {
        preview.SetZoom(c.zoom);
        EXPECT_EQ(preview.Zoom(), c.shownZoom);
        if (c.shownZoom > 300)
            continue;
        const QImage image = preview.PageImage();
        EXPECT_EQ(image.width(), qRound(page.width() * c.shownZoom / 100)) << c.zoom;
        EXPECT_EQ(image.height(), qRound(page.height() * c.shownZoom / 100)) << c.zoom;
    }

    preview.SetZoom(100);
    preview.SetPageNumber(1);
    const QImage first = preview.PageImage();
    preview.SetPageNumber(2);
    const QImage second = preview.PageImage();
    EXPECT_NE(first, second);
    preview.SetPageNumber(1);
    EXPECT_EQ(preview.PageImage(), first);
    EXPECT_EQ(first.pixel(2, 2), qRgb(255, 255, 255));
    preview.SetPageNumber(9); // beyond the last page: the last one shows
    EXPECT_EQ(preview.PageNumber(), 9);
    preview.SetPageNumber(3);
    const QImage third = preview.PageImage();
    preview.SetPageNumber(9);
    EXPECT_EQ(preview.PageImage(), third);
}

TEST(QRPreview, ZoomToWidthFitsThePageAndTheDeskScrolls)
{
    ThreePages r;
    r.report.Prepare();
    TQRPreview preview;
    preview.SetQRPrinter(r.report.QRPrinter());
    for (const int width : {500, 900, 1400}) {
        preview.resize(width, 500);
        preview.show();
        preview.ZoomToWidth();
        QCoreApplication::processEvents();
        const int shown = preview.PageImage().width();
        EXPECT_LE(shown, preview.viewport()->width()) << width;
        EXPECT_GT(shown, preview.viewport()->width() - 40) << width;
        EXPECT_EQ(preview.horizontalScrollBar()->maximum(), 0) << width;
        QScrollBar* bar = preview.VertScrollBar();
        ASSERT_GT(bar->maximum(), 0) << width;
        bar->setValue(bar->value() + 10);
        EXPECT_EQ(bar->value(), 10);
        bar->setValue(0);
    }
}

TEST(QRPreview, ClickingThePageLeavesTheKeysWithTheWindow)
{
    ThreePages r;
    r.report.Prepare();
    QWidget window;
    auto* button = new QPushButton("Sluiten", &window);
    auto* preview = new TQRPreview(&window);
    preview->setGeometry(0, 40, 600, 400);
    preview->SetQRPrinter(r.report.QRPrinter());
    window.resize(600, 440);
    window.show();
    QApplication::setActiveWindow(&window);
    button->setFocus();
    QTest::mouseClick(preview->viewport(), Qt::LeftButton, {}, QPoint(100, 100));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    EXPECT_EQ(QApplication::focusWidget(), button);
    EXPECT_EQ(preview->VertScrollBar()->value(), 0);
}

TEST(QRPreview, WithoutAHandlerTheLibraryShowsItsOwnWindow)
{
    ThreePages r;
    ModalAnswer answer([](QWidget* window) {
        auto* preview = window->findChild<TQRPreview*>();
        ASSERT_TRUE(preview);
        ASSERT_TRUE(WaitFor([&] { return preview->QRPrinter()->Status() == mpFinished; }));
        EXPECT_EQ(preview->QRPrinter()->PageCount(), 3);
        EXPECT_FALSE(preview->PageImage().isNull());
        window->close();
    });
    r.report.Preview();
    EXPECT_TRUE(answer.Seen().shown);
    EXPECT_EQ(answer.Seen().caption, "Proef");
    ASSERT_TRUE(r.report.QRPrinter());
    EXPECT_EQ(r.report.QRPrinter()->Status(), mpFinished);
}

} // namespace
