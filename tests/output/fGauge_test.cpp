#include "fGauge.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(Gauge, ShowsWithoutWaitingBorderlessAndCentred)
{
    TdlgGauge gauge;
    gauge.Initialize();
    gauge.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&gauge));
    // show() came back: the caller goes on working while the window stands.
    EXPECT_TRUE(gauge.isVisible());
    EXPECT_FALSE(gauge.isModal());
    EXPECT_TRUE(gauge.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(gauge.size(), QSize(308, 81));
    const QRect screen = gauge.screen()->availableGeometry();
    EXPECT_LE((gauge.frameGeometry().center() - screen.center()).manhattanLength(), 2);
}

TEST(Gauge, EveryStepTextFitsItsLine)
{
    TdlgGauge gauge;
    const QFontMetrics metrics(gauge.Message->font());
    EXPECT_TRUE(gauge.Message->font().bold());
    for (const char* text : {"Export naar Word - Ophalen gegevens", "Export naar Word - Openen Word",
                             "Export naar Word - Aanmaken formulier", "Export naar Word - Samenvoegen",
                             "Aangemaakt: ZV02 - 12 - Jansen-van Dijk"}) {
        EXPECT_LE(metrics.horizontalAdvance(text), gauge.Message->contentsRect().width()) << text;
    }
    EXPECT_LE(metrics.ascent() + metrics.descent(), gauge.Message->contentsRect().height() + 1);
}

TEST(Gauge, TheBarCountsTheDocumentsMade)
{
    TdlgGauge gauge;
    EXPECT_FALSE(gauge.ProgressBar->isTextVisible());
    gauge.ProgressBar->setRange(0, 3);
    gauge.ProgressBar->setValue(0);
    gauge.Initialize();
    gauge.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&gauge));
    // What a repaint puts on the screen: an empty bar, then a third of it filled.
    const QImage empty = gauge.ProgressBar->grab().toImage();
    gauge.ProgressBar->setValue(1);
    gauge.Message->setText("Aangemaakt: ZV02 - 1 - Jansen");
    gauge.repaint();
    const QImage third = gauge.ProgressBar->grab().toImage();
    EXPECT_NE(empty, third);
    const QColor bar = third.pixelColor(third.width() / 6, third.height() / 2);
    const QColor rest = third.pixelColor(third.width() * 5 / 6, third.height() / 2);
    EXPECT_NE(bar, rest);
    EXPECT_EQ(rest, empty.pixelColor(empty.width() * 5 / 6, empty.height() / 2));
}

TEST(GaugeWidth, GrowsForATextThatNeedsItWithinTheScreen)
{
    EXPECT_EQ(GaugeWidth(272, 308, 1024), 308); // fits the layout's 273 pixels
    EXPECT_EQ(GaugeWidth(277, 308, 1024), 16 + 277 + 19);
    EXPECT_EQ(GaugeWidth(100, 340, 1024), 340) << "never narrower again during a run";
    EXPECT_EQ(GaugeWidth(3000, 308, 1024), 1024);
}

} // namespace
