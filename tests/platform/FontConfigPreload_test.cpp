#include "FontConfigPreload.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <fontconfig/fontconfig.h>

// Loaded on its thread, the configuration is the one Qt then finds: the system's fonts are
// listed and the program's font measures text.  Waiting again returns at once, and an object
// dropped without waiting waits in its destructor.
TEST(FontConfigPreload, LoadsTheConfigurationThatTheApplicationThenUses)
{
    { TFontConfigPreload dropped; }
    TFontConfigPreload fonts;
    fonts.Wait();
    fonts.Wait();
    FcFontSet* system = FcConfigGetFonts(nullptr, FcSetSystem);
    ASSERT_NE(system, nullptr);
    EXPECT_GT(system->nfont, 0);

    int argc = 1;
    char name[] = "FontConfigPreload_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const QFontMetrics metrics(QFont("DejaVu Sans", 8));
    EXPECT_EQ(QFontInfo(QFont("DejaVu Sans", 8)).family(), "DejaVu Sans");
    EXPECT_GT(metrics.horizontalAdvance("gegevens worden opgehaald..."), 100);
}
