#include "IniFile.h"

#include "ErrorOf.h"
#include "ModalAnswer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    std::string Path(const char* name = "test.ini") const { return (dir.path() + "/" + name).toStdString(); }
    void Write(const std::string& bytes) { ASSERT_TRUE(WriteFileBytes(QString::fromStdString(Path()), bytes)); }
    std::string Bytes() const { return ReadFileBytes(QString::fromStdString(Path())); }
    QStringList Entries() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); }

    QTemporaryDir dir;
};

TEST_F(IniFileTest, ReadingFollowsTheProfileRules)
{
    Write("; comment\r\n"
          "[General]\r\n"
          "plain=value\r\n"
          "  Spaced  =  \t two words \t \r\n"
          "quoted=\"  kept blanks  \"\r\n"
          "single=' x '\r\n"
          "twice=\"\"inner\"\"\r\n"
          "unbalanced=\"open\r\n"
          "mixed=\"a'\r\n"
          "empty=\r\n"
          "dup=first\r\n"
          "dup=second\r\n"
          "eq=a=b\r\n"
          "[ Other ]\n"
          "plain=other\n"
          "[general]\r\n"
          "late=never read\r\n");
    TIniFile ini(Path());
    const struct {
        const char *section, *key, *expected;
    } cases[] = {
        {"General", "plain", "value"},
        {"GENERAL", "PLAIN", "value"},
        {"general", "spaced", "two words"},
        {"General", "quoted", "  kept blanks  "},
        {"General", "single", " x "},
        {"General", "twice", "\"inner\""},
        {"General", "unbalanced", "\"open"},
        {"General", "mixed", "\"a'"},
        {"General", "empty", ""},
        {"General", "dup", "first"},
        {"General", "eq", "a=b"},
        {"other", "plain", "other"},
        {"General", "late", "(default)"},
        {"General", "missing", "(default)"},
        {"Missing", "plain", "(default)"},
        {"General", "comment", "(default)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, "(default)"), c.expected) << c.section << "/" << c.key;

    std::vector<std::string> lines;
    ini.ReadSectionValues("GENERAL", lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"plain=value", "Spaced=two words", "quoted=  kept blanks  ",
                                               "single= x ", "twice=\"inner\"", "unbalanced=\"open", "mixed=\"a'",
                                               "empty=", "dup=first", "dup=first", "eq=a=b"}));
    ini.ReadSection("nothing", lines);
    EXPECT_TRUE(lines.empty());
}

TEST_F(IniFileTest, ValuesAreCutAt2047Characters)
{
    Write("[s]\r\nlong=" + std::string(3000, 'x') + "\r\nexact=\"" + std::string(2047, 'y') + "\"\r\n");
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("s", "long", ""), std::string(2047, 'x'));
    EXPECT_EQ(ini.ReadString("s", "exact", ""), std::string(2047, 'y'));
}

TEST_F(IniFileTest, AMissingFileGivesDefaultsAndIsCreatedOnTheFirstWrite)
{
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("a", "b", "def"), "def");
    ini.EraseSection("a");
    EXPECT_TRUE(Entries().isEmpty());
    ini.WriteString("General", "dtKlanten", "05-12-26");
    ini.WriteString("Vars", "Datum", "1 mei");
    ini.WriteString("General", "second", "2");
    EXPECT_EQ(Bytes(), "[General]\r\ndtKlanten=05-12-26\r\nsecond=2\r\n\r\n[Vars]\r\nDatum=1 mei\r\n");
    EXPECT_EQ(Entries(), QStringList{"test.ini"}); // no temporary file left beside it
}

TEST_F(IniFileTest, AWriteChangesOneKeyAndKeepsEveryOtherByte)
{
    const std::string before = "; kept\n[Vars]\nAanhef = \"Geachte\"  \n  x=1\n\n[Other]\nx=2\n";
    Write(before);
    TIniFile ini(Path());
    ini.WriteString("VARS", "X", "new");
    EXPECT_EQ(Bytes(), "; kept\n[Vars]\nAanhef = \"Geachte\"  \nX=new\n\n[Other]\nx=2\n");
    ini.WriteString("vars", "added", "3");
    EXPECT_EQ(Bytes(), "; kept\n[Vars]\nAanhef = \"Geachte\"  \nX=new\nadded=3\n\n[Other]\nx=2\n");
    ini.WriteString("Third", "k", "v");
    EXPECT_EQ(Bytes(), "; kept\n[Vars]\nAanhef = \"Geachte\"  \nX=new\nadded=3\n\n[Other]\nx=2\n\n[Third]\nk=v\n");
}

TEST_F(IniFileTest, AWriteToAFileWithoutFinalLineEnd)
{
    Write("[a]\r\nk=1");
    TIniFile ini(Path());
    ini.WriteString("a", "j", "2");
    EXPECT_EQ(Bytes(), "[a]\r\nk=1\r\nj=2");
    ini.WriteString("b", "k", "3");
    EXPECT_EQ(Bytes(), "[a]\r\nk=1\r\nj=2\r\n\r\n[b]\r\nk=3\r\n");

    // A last line that ends in a lone carriage return gets its line feed: the key written after
    // it reads back, and the line before keeps its value.
    const struct {
        std::string before, section, after;
    } cases[] = {
        {"[a]\r\nk=1\r", "a", "[a]\r\nk=1\r\nj=2"},
        {"[a]\r\nk=1\r", "b", "[a]\r\nk=1\r\n\r\n[b]\r\nj=2\r\n"},
        {"[a]\rk=1\r", "a", "[a]\rk=1\r\nj=2"},
    };
    for (const auto& c : cases) {
        Write(c.before);
        const std::string k = ini.ReadString("a", "k", "(default)");
        ini.WriteString(c.section, "j", "2");
        EXPECT_EQ(Bytes(), c.after) << c.before;
        EXPECT_EQ(ini.ReadString(c.section, "j", "(default)"), "2") << c.before;
        EXPECT_EQ(ini.ReadString("a", "k", "(default)"), k) << c.before;
    }
}

TEST_F(IniFileTest, EraseSectionRemovesItsLinesOnly)
{
    Write("[a]\r\nx=1\r\n\r\n[B]\r\n; note\r\ny=2\r\nz\r\n\r\n[c]\r\nw=3\r\n");
    TIniFile ini(Path());
    ini.EraseSection("b");
    EXPECT_EQ(Bytes(), "[a]\r\nx=1\r\n\r\n[c]\r\nw=3\r\n");
    ini.EraseSection("c");
    EXPECT_EQ(Bytes(), "[a]\r\nx=1\r\n\r\n");
    ini.WriteString("c", "w", "4");
    EXPECT_EQ(Bytes(), "[a]\r\nx=1\r\n\r\n[c]\r\nw=4\r\n");
}

TEST_F(IniFileTest, ARefusedWriteNamesTheFileAndChangesNothing)
{
    // Tests run as root, so a read-only mode refuses nothing: a directory stands in the file's place,
    // or the file's folder is a file.
    ASSERT_TRUE(QDir(dir.path()).mkdir("test.ini"));
    TIniFile inPlace(Path());
    EXPECT_EQ(ErrorOf([&] { inPlace.WriteString("a", "b", "c"); }), "Unable to write to " + Path());
    EXPECT_EQ(inPlace.ReadString("a", "b", "def"), "def");

    ASSERT_TRUE(WriteFileBytes(dir.path() + "/plain", "[a]\r\n"));
    const std::string under = Path("plain") + "/x.ini";
    TIniFile ini(under);
    EXPECT_EQ(ErrorOf([&] { ini.WriteString("a", "b", "c"); }), "Unable to write to " + under);
    EXPECT_EQ(ReadFileBytes(dir.path() + "/plain"), "[a]\r\n");

    const std::string missingFolder = Path("none") + "/x.ini";
    TIniFile nowhere(missingFolder);
    EXPECT_EQ(ErrorOf([&] { nowhere.WriteString("a", "b", "c"); }), "Unable to write to " + missingFolder);
    EXPECT_EQ(Entries(), (QStringList{"plain", "test.ini"}));
}

TEST_F(IniFileTest, CheckFormatRefusesOnlyWhatIsNoText)
{
    const struct {
        std::string bytes, expected;
    } cases[] = {
        {"", "(no error)"},
        {"; c\r\n\r\n[a]\r\nk=v\r\n  \r\n[b]\r\n", "(no error)"},
        // Lines the profile routines pass over.
        {"Beste klant,\r\nhier is de brief.\r\n", "(no error)"},
        {"k=v\r\n[a]\r\n", "(no error)"},
        {"[a]\r\nk=v\r\n\r\nselect kand_nr\r\n", "(no error)"},
        {"[a]\r\n[b\r\n", "(no error)"},
        {"\xEF\xBB\xBF# opmerking\r\n[a]\r\n", "(no error)"},
        {std::string("[a]\r\nk=v\0w\r\n", 12), "Onbekend formaat in het bestand X.dat: geen tekstbestand."},
        {"PK\x03\x04\x14\x00", "Onbekend formaat in het bestand X.dat: geen tekstbestand."},
    };
    for (const auto& c : cases) {
        Write(c.bytes);
        EXPECT_EQ(ErrorOf([&] { TIniFile(Path()).CheckFormat("X.dat"); }), c.expected) << c.bytes;
    }
    EXPECT_EQ(ErrorOf([&] { TIniFile(Path("missing")).CheckFormat("X.dat"); }), "(no error)");
}

TEST_F(IniFileTest, LinesTheProfileRoutinesPassOverAreReadPastAndKept)
{
    const std::string before = "\xEF\xBB\xBF[Vars]\r\n# a=1\r\nlos\r\nb=2\r\n";
    Write("buiten=0\r\n" + before.substr(3));
    EXPECT_EQ(TIniFile(Path()).ReadString("Vars", "b", "?"), "2");
    Write(before);
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Vars", "b", "?"), "2"); // the heading after the byte-order mark
    EXPECT_EQ(ini.ReadString("Vars", "# a", "?"), "?");
    std::vector<std::string> values;
    ini.ReadSectionValues("vars", values);
    EXPECT_EQ(values, std::vector<std::string>{"b=2"});
    ini.WriteString("Vars", "b", "3");
    ini.WriteString("Vars", "c", "4");
    EXPECT_EQ(Bytes(), "\xEF\xBB\xBF[Vars]\r\n# a=1\r\nlos\r\nb=3\r\nc=4\r\n");
}

} // namespace

namespace {

TEST_F(IniFileTest, UpdateWritesOnceAndNothingWhenItFails)
{
    Write("[keep]\r\nk=1\r\n");
    TIniFile ini(Path(), TIniDurability::Scratch);
    ini.Update([&] {
        ini.EraseSection("keep");
        ini.WriteString("a", "x", "1");
        EXPECT_EQ(ini.ReadString("a", "x", ""), "1"); // reads see the pending text
        EXPECT_EQ(Bytes(), "[keep]\r\nk=1\r\n");      // the file does not, yet
        ini.WriteString("a", "y", "2");
    });
    EXPECT_EQ(Bytes(), "[a]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(ErrorOf([&] {
                  ini.Update([&] {
                      ini.WriteString("b", "z", "3");
                      throw Exception("stop");
                  });
              }),
              "stop");
    EXPECT_EQ(Bytes(), "[a]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(ini.ReadString("b", "z", "none"), "none");
    EXPECT_EQ(Entries(), QStringList{"test.ini"});
}

} // namespace

namespace {

// A FIFO without a writer, a link to one and a link to a device that never ends read as files
// that cannot be read: the defaults, and writes refused; nothing waits and nothing is read.
TEST_F(IniFileTest, WhatIsNoRegularFileIsNeitherWaitedForNorRead)
{
    ASSERT_EQ(::mkfifo(Path("pijp.ini").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(Path("pijp.ini").c_str(), Path("naar-pijp.ini").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/zero", Path("nullen.ini").c_str()), 0);
    for (const char* name : {"pijp.ini", "naar-pijp.ini", "nullen.ini"}) {
        SCOPED_TRACE(name);
        TIniFile ini(Path(name));
        EXPECT_EQ(ini.ReadString("SQL", "select", "nodef"), "nodef");
        std::vector<std::string> keys{"oud"};
        ini.ReadSectionValues("FIELDS", keys);
        EXPECT_TRUE(keys.empty());
        EXPECT_EQ(ErrorOf([&] { ini.CheckFormat(name); }), "(no error)");
        EXPECT_EQ(ErrorOf([&] { ini.WriteString("General", "dtKlanten", "07-12-26"); }), "Unable to write to " + Path(name));
        EXPECT_EQ(ErrorOf([&] { ini.Update([&] { ini.EraseSection("kand.txt"); }); }), "Unable to write to " + Path(name));
    }
}

// A file past the bound is refused by its size, on every read and write, with a message.
TEST_F(IniFileTest, AFileLargerThanTheBoundIsRefusedWithAMessage)
{
    Write("[GENERAL]\r\nmultirun=K\r\n" + std::string(MaxIniBytes - 23, ';'));
    TIniFile ini(Path());
    EXPECT_EQ(ini.ReadString("GENERAL", "multirun", "N"), "K");
    Write("[GENERAL]\r\nmultirun=K\r\n" + std::string(MaxIniBytes - 22, ';'));
    const std::string message = "Het bestand " + Path() + " is groter dan 256 kB.";
    EXPECT_EQ(ErrorOf([&] { ini.ReadString("GENERAL", "multirun", "N"); }), message);
    EXPECT_EQ(ErrorOf([&] { ini.CheckFormat("test.ini"); }), message);
    EXPECT_EQ(ErrorOf([&] { ini.WriteString("Vars", "datum", "1"); }), message);
    EXPECT_EQ(Bytes().size(), MaxIniBytes + 1);
}

} // namespace
