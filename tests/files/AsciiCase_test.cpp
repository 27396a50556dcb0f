#include "AsciiCase.h"

#include "StrFuncs.h"
#include "WordXml.h"

#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cctype>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

TEST(AsciiCase, FoldsTheAsciiLettersAloneAndComparesWithoutCase)
{
    // The Windows-1252 letters (é 0xE9, É 0xC9, ÿ 0xFF) and bytes above 127 stay as they are.
    EXPECT_EQ(AsciiUpperStr("az AZ 09 @[`{ \xe9\xc9\xff"), "AZ AZ 09 @[`{ \xe9\xc9\xff");
    EXPECT_EQ(AsciiLowerStr("az AZ 09 @[`{ \xe9\xc9\xff"), "az az 09 @[`{ \xe9\xc9\xff");
    EXPECT_TRUE(AsciiSameText("Kand.TXT", "kand.txt"));
    EXPECT_FALSE(AsciiSameText("\xe9", "\xc9"));
    EXPECT_FALSE(AsciiSameText("kand", "kand.txt"));
    EXPECT_FALSE(AsciiSameText("[", "{")); // 0x5B and 0x7B differ by 32 but are no letters
    EXPECT_EQ(UpperStr("\xe9t\xe9"), "\xe9T\xe9");
}

// Under a locale whose characters are single bytes (Latin-1), the C library's case folding changes
// letters above 127; ours does not.
TEST(AsciiCase, TheLocaleDoesNotChangeIt)
{
    QTemporaryDir locales;
    QProcess make;
    make.start("localedef", {"-i", "nl_NL", "-f", "ISO-8859-1", locales.filePath("nl_NL.ISO-8859-1")});
    if (!make.waitForFinished(60000) || make.exitCode() > 1) // 1: made, with warnings
        GTEST_SKIP() << "no Latin-1 locale can be made here";
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    setenv("LOCPATH", locales.path().toLocal8Bit().constData(), 1);
    const bool set = std::setlocale(LC_CTYPE, "nl_NL.ISO-8859-1") != nullptr;
    unsetenv("LOCPATH");
    if (!set)
        GTEST_SKIP() << "the Latin-1 locale cannot be used";
    volatile int e9 = 0xE9; // not folded at compile time
    const int libraryUpper = std::toupper(e9);
    const std::string keyword = ParseFieldInstruction(" m\xe9rgefield naam ").Keyword;
    const bool same = AsciiSameText("\xe9", "\xc9");
    std::setlocale(LC_CTYPE, previous.c_str());
    EXPECT_EQ(libraryUpper, 0xC9) << "the locale folds Latin-1 letters";
    EXPECT_EQ(keyword, "M\xe9RGEFIELD");
    EXPECT_FALSE(same);
}

} // namespace
