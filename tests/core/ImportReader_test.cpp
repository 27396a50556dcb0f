// Turning import lines into records: the items read from a data line itself give the record that
// the line's full output line gives, and an import stops at its largest number of data lines.
#include "ImportReader.h"

#include "fImportCSVTXT.h"
#include "uUtils.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The record as the main window reads it from the full output line.
TKandidaatRecord FromOutputLine(const TImportColumns& columns, const std::string& line)
{
    std::vector<std::string> items;
    SplitFields(columns.OutputLine(line), items, "\t");
    return KandidaatFromItems(items);
}

// Items must be the first item of each record column among all items, in order.
void ExpectSameRecord(const TImportColumns& columns, const std::string& line)
{
    std::vector<std::string> items;
    columns.Items(line, items);
    EXPECT_EQ(KandidaatFromItems(items), FromOutputLine(columns, line)) << "line: " << line;
    std::vector<std::string> all;
    SplitFields(columns.OutputLine(line), all, "\t");
    auto from = all.begin();
    for (const std::string& item : items) {
        from = std::find(from, all.end(), item);
        EXPECT_NE(from, all.end()) << item << " in line: " << line;
    }
}

std::vector<std::string> Names(const std::string& header, const std::string& separator, bool indicators)
{
    std::vector<std::string> names;
    for (TFieldCursor fields(header, separator, indicators); !fields.AtEnd();)
        names.push_back(fields.Next());
    return names;
}

} // namespace

TEST(ImportReaderTest, FieldCursorTakesFieldsAsExtractFieldDoes)
{
    const struct {
        std::string line, separator;
    } cases[] = {
        {"a;b;;c;", ";"},   {"\"x\";'y';z;ab;\"\";q", ";"}, {"1ab2abab3a", "ab"}, {"no separator", ";"},
        {";;", ";"},        {"a\tb\t", "\t"},              {"x;y", ""},           {"\"lang veld\"", ";"},
    };
    for (const auto& c : cases)
        for (bool strip : {false, true}) {
            std::string rest = c.line;
            TFieldCursor fields(c.line, c.separator, strip);
            while (!rest.empty()) {
                ASSERT_FALSE(fields.AtEnd()) << c.line;
                EXPECT_EQ(fields.Next(), ExtractField(rest, c.separator, strip)) << c.line << " strip " << strip;
            }
            EXPECT_TRUE(fields.AtEnd()) << c.line;
            EXPECT_EQ(fields.Next(), "");
        }
}

TEST(ImportReaderTest, ItemsGiveTheRecordOfTheFullOutputLine)
{
    const std::string plain =
        "Kand_nr;Achternaam;Voorletters;Voorvoegsels;Voornaam;Geslacht;Gebdatum;Adres;Postcode;Plaats";
    const struct {
        std::string header;
        bool indicators;
        std::vector<std::string> lines;
    } cases[] = {
        {plain, false, {"1;Jansen;J.;van;Johannes;M;1-2-1970;Dorpsstraat 1;1234 AB;Ergens", "", "7", ";;;;;;;;;x;y"}},
        // Repeated and differently written names: the first counts, also when its value is empty.
        {"x;achternaam;ACHTERNAAM;Plaats;kand_nr;Kand_nr;p", false, {"a;;B;C;1;2", "a;A;B", "a;A;B;C;D;E;F;G"}},
        // A tab in a value starts an item of its own, which may name a column before its own.
        {"Kand_nr;Achternaam;Plaats;a;b;c;d", false,
         {"1\tPlaats=Hier\tx;Smit;Daar", "1\tAchternaam=Vroeg;Laat", "\t\t=;\tgeen=;Plaats=x\tKand_nr=9"}},
        // Tabs and "=" in names: pieces wholly inside a name are the same on every line.
        {"a\tAchternaam=Vast\tb;Kand_nr=x;Voornaam\tPlaats;Geslacht=;c;d", false,
         {"", "1;2;3;4", "1\tAchternaam=Los;2;V;M", "1;2;3"}},
        // Text indicators strip names and values alike.
        {"\"Kand_nr\";\"Achternaam\";\"Plaats\";\"a\";\"b\";\"c\";\"d\"", true,
         {"\"3\";\"de Boer\";\"Zwolle; Oost\"", "\"\";x;\"y\"", "''"}},
    };
    for (const auto& c : cases) {
        const std::string separator = ";";
        const TImportColumns columns(Names(c.header, separator, c.indicators), separator, c.indicators);
        for (const std::string& line : c.lines)
            ExpectSameRecord(columns, line);
    }

    // Random headers and lines over the characters that matter.
    std::mt19937 random(11);
    const std::string alphabet = ";\t=aAx1 \"";
    const std::string names[] = {"Kand_nr", "ACHTERNAAM", "Plaats", "voornaam", "Geslacht", "Gebdatum", "x"};
    auto text = [&](int length) {
        std::string s;
        for (int i = 0; i < length; ++i)
            s += random() % 4 == 0 ? names[random() % std::size(names)]
                                   : std::string(1, alphabet[random() % alphabet.size()]);
        return s;
    };
    for (int round = 0; round < 300; ++round) {
        const bool indicators = round % 3 == 0;
        const std::string separator = round % 5 == 0 ? ";=" : ";";
        const auto header = Names(text(int(random() % 12)) + ";" + text(int(random() % 12)), separator, indicators);
        if (header.empty())
            continue;
        const TImportColumns columns(header, separator, indicators);
        for (int line = 0; line < 5; ++line)
            ExpectSameRecord(columns, text(int(random() % 16)));
    }
}

TEST(ImportReaderTest, AColumnFarBehindAShortLineIsEmpty)
{
    // 4,094 unnamed columns before Achternaam: a short line leaves it empty; the name behind it
    // names Plaats, whose value starts with the rest of that name.
    const std::string header = std::string(4094, ';') + "Achternaam;x\tPlaats=Vast";
    const TImportColumns columns(Names(header, ";", false), ";", false);
    ASSERT_EQ(columns.Count(), 4096u);
    for (const std::string& line : {std::string(), std::string("1;2;3"), std::string(4094, ';') + "Smit;Hier"})
        ExpectSameRecord(columns, line);
    std::vector<std::string> items;
    columns.Items("", items);
    EXPECT_EQ(items, (std::vector<std::string>{"Achternaam=", "Plaats=Vast="}));
    columns.Items(std::string(4094, ';') + "Smit;Hier", items);
    EXPECT_EQ(items, (std::vector<std::string>{"Achternaam=Smit", "Plaats=Vast=Hier"}));
}

TEST(ImportReaderTest, LinesKeepTheColumnsTheyWereReadUnder)
{
    auto first = std::make_shared<const TImportColumns>(std::vector<std::string>{"Achternaam"}, ";", false);
    auto second = std::make_shared<const TImportColumns>(std::vector<std::string>{"Plaats"}, ",", false);
    TImportLines lines;
    lines.Add(first, "Jansen");
    lines.Add(first, "");
    lines.Add(second, "Ergens");
    ASSERT_EQ(lines.Count(), 3u);
    EXPECT_EQ(lines.Line(0), "Jansen");
    EXPECT_EQ(lines.Line(1), "");
    EXPECT_EQ(lines.Line(2), "Ergens");
    EXPECT_EQ(&lines.Columns(1), first.get());
    EXPECT_EQ(&lines.Columns(2), second.get());
    EXPECT_THROW(lines.Columns(3), Exception);
}

TEST(ImportReaderTest, AnImportStopsAtItsLargestNumberOfDataLines)
{
    // One empty line too many under a short header: the import fails instead of growing on, and
    // takes back the lines it read.
    QTemporaryDir dir;
    const fs::path file = fs::path(dir.path().toStdString()) / "leeg.csv";
    {
        std::ofstream out(file, std::ios::binary);
        out << "Kand_nr;a;b;c;d;e;f\n" << std::string(MaxImportLines + 1, '\n');
    }
    TImportLines lines;
    auto dialog = TBaseForm::Create<TfrmImportCSVTXT>();
    dialog->Initialize(file, &lines, true, false, true);
    try {
        dialog->ImportFile();
        ADD_FAILURE() << "no failure";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Het bestand is niet te lezen.Het importbestand " + file.string() +
                                 " bevat meer dan 100.000 kandidaten; de kandidatenlijst blijft ongewijzigd.");
    }
    EXPECT_EQ(lines.Count(), 0u);

    // One line fewer is taken whole.
    fs::resize_file(file, fs::file_size(file) - 1);
    dialog->ImportFile();
    EXPECT_EQ(lines.Count(), MaxImportLines);
}

// A file that grows past the largest import while it is read fails as one that was too large.
TEST(ImportReaderTest, AFileThatGrowsPastTheLimitWhileItIsReadFails)
{
    QTemporaryDir dir;
    const fs::path file = fs::path(dir.path().toStdString()) / "groeit.csv";
    std::ofstream(file, std::ios::binary) << "Kand_nr;Achternaam\n";
    TImportEncoding encoding;
    TImportTextFile reader(file, encoding);
    {
        std::ofstream out(file, std::ios::binary | std::ios::app);
        const std::string line = std::string(1023, 'x') + "\n";
        for (std::uint64_t size = 0; size <= MaxImportBytes; size += line.size())
            out << line;
    }
    std::string line;
    try {
        while (reader.ReadLine(line)) {
        }
        ADD_FAILURE() << "no failure";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message, MaxImportBytesMessage(file));
        EXPECT_EQ(e.Message, "Het importbestand " + file.string() + " is groter dan 64 MB; de kandidatenlijst blijft ongewijzigd.");
    }
}

TEST(ImportReaderTest, AFailedAllocationEndsInTheImportsMessage)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
    // 800 lines of 60,000 bytes, read in a child process whose address space has room for 32 MB more.
    QTemporaryDir dir;
    const fs::path file = fs::path(dir.path().toStdString()) / "breed.csv";
    {
        std::ofstream out(file, std::ios::binary);
        out << "Kand_nr;a;b;c;d;e;f\n";
        const std::string line(60000, 'x');
        for (int i = 0; i < 800; ++i)
            out << line << '\n';
    }
    TImportLines lines;
    auto dialog = TBaseForm::Create<TfrmImportCSVTXT>();
    dialog->Initialize(file, &lines, true, false, true);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (32 << 20);
        const rlimit room{limit, limit};
        setrlimit(RLIMIT_AS, &room);
        int code = 1;
        try {
            dialog->ImportFile();
        } catch (const Exception& e) {
            code = e.Message == "Het bestand is niet te lezen.Onvoldoende geheugen" ? 0 : 2;
        } catch (...) {
            code = 3;
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: no failure, 2: another message, 3: another exception";
#endif
}
