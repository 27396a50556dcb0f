// Version lines of program files, the program's own version, and opening web pages.
#include "comfuncs.h"

#include "ErrorOf.h"
#include "Exceptions.h"
#include "FakeBrowser.h"
#include "ModalAnswer.h"
#include "RegistryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Lines = std::vector<std::string>;

namespace {

TVersionData Block(const std::string& language, const std::string& productName)
{
    TVersionData data;
    data.Fixed = TFixedFileInfo{0x00040000, 0x0000000C, 0x40004, 1};
    const std::string block = "\\StringFileInfo\\" + language + "04E4\\";
    data.Strings[block + "CompanyName"] = "Zorvandel";
    data.Strings[block + "ProductName"] = productName;
    data.Strings[block + "LegalCopyright"] = "(c) 2026";
    data.Strings[block + "Unlisted"] = "not shown";
    return data;
}

class VersionInfoTest : public ::testing::Test {
protected:
    QString Write(const TVersionData& data)
    {
        const QString name = dir_.filePath(QString::number(++count_) + ".exe");
        EXPECT_TRUE(WriteFileBytes(name, "\x7F" "ELF padding" + VersionBlockText(data)));
        return name;
    }
    QTemporaryDir dir_;
    int count_ = 0;
};

} // namespace

TEST_F(VersionInfoTest, DutchBlockGivesItsLinesAndLanguage)
{
    Lines list{"old line"};
    GetVersionInfo(Write(Block("0413", "Zorvandel")), list);
    EXPECT_EQ(list, (Lines{"ProductVersion=4.0.0.12", "OperatingSystem=Windows NT with 32 bit Windows",
                           "FileType=Application", "Company Name=Zorvandel", "Copyright=(c) 2026",
                           "Product Name=Zorvandel", "Language=Dutch (Standard)"}));
}

TEST_F(VersionInfoTest, EnglishBlockComesFirst)
{
    TVersionData both = Block("0413", "Dutch name");
    for (const auto& [path, value] : Block("0409", "English name").Strings)
        both.Strings[path] = value;
    Lines list;
    GetVersionInfo(Write(both), list);
    ASSERT_EQ(list.size(), 7u);
    EXPECT_EQ(list[5], "Product Name=English name");
    EXPECT_EQ(list[6], "Language=English (United States)");
}

TEST_F(VersionInfoTest, NoProductNameMeansNoLanguage)
{
    Lines list;
    GetVersionInfo(Write(Block("0413", "")), list);
    EXPECT_EQ(list.back(), "Product Name=");

    TVersionData other = Block("0407", "Deutsch"); // a language that is not looked at
    GetVersionInfo(Write(other), list);
    EXPECT_EQ(list, (Lines{"ProductVersion=4.0.0.12", "OperatingSystem=Windows NT with 32 bit Windows",
                           "FileType=Application"}));

    TVersionData noFixed = Block("0413", "Zorvandel");
    noFixed.Fixed.reset();
    GetVersionInfo(Write(noFixed), list);
    EXPECT_TRUE(list.empty());
}

TEST_F(VersionInfoTest, FileWithoutVersionInformation)
{
    Lines list{"kept"};
    const QString plain = dir_.filePath("plain.txt");
    ASSERT_TRUE(WriteFileBytes(plain, "no version here"));
    for (const QString& name : {plain, dir_.filePath("missing.exe")})
        EXPECT_EQ(ErrorOf([&] { GetVersionInfo(name, list); }),
                  "The file does not contain any valid version information.");
    EXPECT_EQ(list, Lines{"kept"});
}

TEST(VersionStrings, FixedPartCodesAndPaddedLanguage)
{
    TVersionData data = Block("0413", "Z");
    data.Fixed->ProductVersionMS = 0x0001FFFF;
    data.Fixed->ProductVersionLS = 0x00100000;
    data.Fixed->FileOS = 0x10004;
    data.Fixed->FileType = 7;
    Lines list;
    ReadVersionStrings(data, "413", list);
    EXPECT_EQ(list[0], "ProductVersion=1.65535.16.0");
    EXPECT_EQ(list[1], "OperatingSystem=32-bit Windows with MS-DOS");
    EXPECT_EQ(list[2], "FileType=Static-Link Library");
    EXPECT_EQ(list.back(), "Product Name=Z");

    EXPECT_EQ(OperatingSystemName(0x30003), "32-bit OS/2 with Presentation Manager");
    EXPECT_EQ(OperatingSystemName(4), "32-bit Windows");
    EXPECT_EQ(OperatingSystemName(0x40001), "Unknown");
    EXPECT_EQ(FileTypeName(2), "Dynamic-Link Library");
    EXPECT_EQ(FileTypeName(6), "Unknown");
    EXPECT_EQ(FileTypeName(0), "Unknown");
}

TEST(ProgramFile, CarriesItsOwnVersionBlock)
{
    EXPECT_EQ(DLLFullFileName(), QCoreApplication::applicationFilePath());
    Lines list;
    GetVersionInfo(DLLFullFileName(), list);
    EXPECT_EQ(list, VersionInfoList);
    EXPECT_EQ(list.front(), "ProductVersion=" ZORVANDEL_VERSION ".1");
    EXPECT_NE(std::find(list.begin(), list.end(), "Product Name=Zorvandel"), list.end());
    EXPECT_EQ(list.back(), "Language=Dutch (Standard)");
}

namespace {

class OpenInBrowserTest : public ::testing::Test {
protected:
    QString MakeBrowser(const QString& relative, bool executable = true) { return browser_.Make(relative, executable); }
    static void Register(const std::string& command) { FakeBrowser::Register(command); }
    QString Output() const { return browser_.Output(); }

    // The fallback, recording what it was asked and answering result.
    TShellOpen Fallback(int result = 42)
    {
        return [this, result](const std::string& target, QWidget*) {
            fallbackTargets_.push_back(target);
            return result;
        };
    }

    FakeBrowser browser_;
    Lines fallbackTargets_;
};

const std::string Address = "http://www.example.org/verkiezingen?lijst=1&x=2";

} // namespace

TEST_F(OpenInBrowserTest, RegisteredProgramGetsTheAddressAsItsOnlyArgument)
{
    Register(MakeBrowser("browser.sh").toStdString() + " -nohome \"%1\"");
    EXPECT_EQ(OpenInBrowser(Address, nullptr, Fallback()), 0);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(Output()); }));
    EXPECT_EQ(ReadFileBytes(Output()), "1\n" + Address + "\n");
    EXPECT_TRUE(fallbackTargets_.empty());
}

TEST_F(OpenInBrowserTest, QuotedPathWithABlankFallsBackToTheDesktop)
{
    const QString browser = MakeBrowser("My Browser/browser.sh");
    Register("\"" + browser.toStdString() + "\" \"%1\"");
    EXPECT_EQ(OpenInBrowser(Address, nullptr, Fallback()), 42);
    EXPECT_EQ(fallbackTargets_, Lines{Address});
    EXPECT_FALSE(QFile::exists(Output()));
}

TEST_F(OpenInBrowserTest, EveryOtherFailureFallsBackWithTheFallbacksResult)
{
    const TShellOpen failing = Fallback(2);
    // Nothing registered.
    EXPECT_EQ(OpenInBrowser(Address, nullptr, failing), 2);
    // A command without a blank.
    Register(MakeBrowser("browser.sh").toStdString());
    EXPECT_EQ(OpenInBrowser(Address, nullptr, failing), 2);
    // A program that cannot be started.
    Register(MakeBrowser("plain.sh", false).toStdString() + " %1");
    EXPECT_EQ(OpenInBrowser(Address, nullptr, failing), 2);
    // A class without an open command.
    {
        RegistryStore reg(HKEY_CLASSES_ROOT);
        ASSERT_TRUE(reg.OpenKey("\\.htm", true));
        reg.WriteString("", "otherclass");
    }
    EXPECT_EQ(OpenInBrowser(Address, nullptr, failing), 2);
    EXPECT_EQ(fallbackTargets_.size(), 4u);
    EXPECT_FALSE(QFile::exists(Output()));
}
