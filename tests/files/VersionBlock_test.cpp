// Version blocks written into files and found again.
#include "VersionBlock.h"

#include "ModalAnswer.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TVersionData Sample()
{
    TVersionData data;
    data.Fixed = TFixedFileInfo{0x00040000, 0x0000000C, 0x40004, 1};
    data.Strings["\\StringFileInfo\\041304E4\\ProductName"] = "Zorvandel";
    data.Strings["\\StringFileInfo\\041304E4\\CompanyName"] = "Caf\xE9 & Zn"; // Windows-1252
    data.Strings["\\StringFileInfo\\041304E4\\Comments"] = "";
    return data;
}

class VersionBlockTest : public ::testing::Test {
protected:
    QString Write(const std::string& bytes)
    {
        const QString name = dir_.filePath("file.bin");
        EXPECT_TRUE(WriteFileBytes(name, bytes));
        return name;
    }
    QTemporaryDir dir_;
};

void ExpectEqual(const TVersionData& a, const TVersionData& b)
{
    ASSERT_EQ(a.Fixed.has_value(), b.Fixed.has_value());
    if (a.Fixed) {
        EXPECT_EQ(a.Fixed->ProductVersionMS, b.Fixed->ProductVersionMS);
        EXPECT_EQ(a.Fixed->ProductVersionLS, b.Fixed->ProductVersionLS);
        EXPECT_EQ(a.Fixed->FileOS, b.Fixed->FileOS);
        EXPECT_EQ(a.Fixed->FileType, b.Fixed->FileType);
    }
    EXPECT_EQ(a.Strings, b.Strings);
}

} // namespace

TEST_F(VersionBlockTest, BlockIsFoundBetweenOtherBytes)
{
    // A bare magic (as in the reader's own constants) and a broken block come first.
    std::string bytes("\x00\x01\x02\xFF", 4);
    bytes += std::string(VersionBlockMagic) + '\0' + "junk\n";
    bytes += std::string(VersionBlockMagic) + "\\FileInfo\\ProductVersion=1.2\n" + VersionBlockEnd;
    bytes += VersionBlockText(Sample());
    bytes += std::string(1000, '\0');
    const std::optional<TVersionData> read = ReadVersionBlock(Write(bytes));
    ASSERT_TRUE(read);
    ExpectEqual(*read, Sample());
    EXPECT_EQ(read->QueryString("\\StringFileInfo\\041304E4\\Comments"), std::optional<std::string>(""));
    EXPECT_EQ(read->QueryString("\\StringFileInfo\\040904E4\\ProductName"), std::nullopt);
}

TEST_F(VersionBlockTest, TextLayout)
{
    TVersionData data;
    data.Fixed = TFixedFileInfo{0x00040000, 0x0000000C, 0, 1};
    data.Strings["\\StringFileInfo\\040904E4\\ProductName"] = "X";
    EXPECT_EQ(VersionBlockText(data), std::string(VersionBlockMagic)
                                          + "\\FileInfo\\ProductVersion=4.0.0.12\n"
                                            "\\FileInfo\\FileOS=0x00000000\n"
                                            "\\FileInfo\\FileType=0x00000001\n"
                                            "\\StringFileInfo\\040904E4\\ProductName=X\n"
                                          + VersionBlockEnd);
}

TEST_F(VersionBlockTest, BlockWithoutFixedPartOrStrings)
{
    TVersionData strings;
    strings.Strings["\\StringFileInfo\\041304E4\\ProductName"] = "Z";
    const std::optional<TVersionData> read = ReadVersionBlock(Write(VersionBlockText(strings)));
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->Fixed);

    const std::optional<TVersionData> empty = ReadVersionBlock(Write(VersionBlockText(TVersionData{})));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->Strings.empty());
}

TEST_F(VersionBlockTest, FilesWithoutAWellFormedBlock)
{
    EXPECT_FALSE(ReadVersionBlock(dir_.filePath("missing.exe")));
    EXPECT_FALSE(ReadVersionBlock(Write("")));
    EXPECT_FALSE(ReadVersionBlock(Write("plain text without a block\n")));
    const std::string magic = VersionBlockMagic;
    const std::string end = VersionBlockEnd;
    for (const std::string& broken : {
             magic + "\\FileInfo\\ProductVersion=4.0.0.12\n",                  // no end
             magic + "\\FileInfo\\ProductVersion=4.0.70000.1\n" + end,         // part above 65535
             magic + "\\FileInfo\\ProductVersion=4.0.0\n" + end,               // three parts
             magic + "\\FileInfo\\FileOS=12\n" + end,                          // not hexadecimal
             magic + "\\FileInfo\\Colour=0x00000001\n" + end,                  // unknown fixed field
             magic + "StringFileInfo\\041304E4\\ProductName=Z\n" + end,        // not a path
             magic + "\\StringFileInfo\\041304E4\\ProductName\n" + end,        // no value
             magic + "\\StringFileInfo\\041304E4\\ProductName=Z\x7F" "end\n", // end inside a value
         })
        EXPECT_FALSE(ReadVersionBlock(Write(broken))) << broken;
}
