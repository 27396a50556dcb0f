#include "TextDriver.h"

#include "ErrorOf.h"
#include "IniFile.h"
#include "RegistryStore.h"
#include "uUtils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class TextDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QFile::remove(RegistryStore::FileName(HKEY_CURRENT_USER));
        InstallODBCDriverIfNecessary();
        Write("lijst.txt", "\"lijst_id\"\t\"afkorting\"\t\"kandidaten\"\r\n\"1\"\t\"ABC\"\t\"3\"\r\n");
        Write("kand.txt", "\"kandidaat_id\"\t\"lijst_id\"\t\"kand_nr\"\t\"naamkand\"\r\n"
                          "\"  2\"\t\"1\"\t\"  2\"\t\"de Vries\"\r\n"
                          "\"  1\"\t\"1\"\t\"  1\"\t\"Jansen\"\r\n"
                          "\" 10\"\t\"1\"\t\" 10\"\t\"Bakker\"\r\n");
        Write("SCHEMA.INI", "[lijst.txt]\r\nColNameHeader=True\r\nFormat=TabDelimited\r\nMaxScanRows=25\r\n"
                            "[kand.txt]\r\nColNameHeader=True\r\nFormat=TabDelimited\r\nMaxScanRows=25\r\n");
    }
    void TearDown() override { QFile::remove(RegistryStore::FileName(HKEY_CURRENT_USER)); }

    void Write(const QString& name, const std::string& bytes)
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    std::string Connection() const
    {
        const std::string folder = dir.path().toStdString() + "/";
        return "DSN=Text Files;DBQ=" + folder + ";DefaultDir=" + folder;
    }

    TRecordSet Query(const std::string& sql) { return RunTextQuery(Connection(), sql); }

    // The rows as "a,b|c,d".
    static std::string Rows(const TRecordSet& set)
    {
        std::string text;
        for (const auto& row : set.Rows) {
            text += text.empty() ? "" : "|";
            for (std::size_t i = 0; i < row.size(); ++i)
                text += (i ? "," : "") + row[i];
        }
        return text;
    }

    QTemporaryDir dir;
};

TEST_F(TextDriverTest, TablesByFileNameInEverySpelling)
{
    const struct {
        const char* sql;
        const char* rows;
    } cases[] = {
        {"SELECT kand_nr, naamkand FROM kand.txt ORDER BY kand_nr", "  1,Jansen|  2,de Vries| 10,Bakker"},
        {"select [kand_nr], [naamkand] from [kand.txt] where [kand_nr] = '  2'", "  2,de Vries"},
        {"SELECT kand.txt.naamkand, lijst.txt.afkorting FROM kand.txt, lijst.txt "
         "WHERE kand.txt.lijst_id = lijst.txt.lijst_id AND kand.txt.kand_nr=' 10'",
         "Bakker,ABC"},
        {"SELECT [kand.txt].[naamkand] FROM [kand.txt] INNER JOIN [lijst.txt] ON [kand.txt].[lijst_id] = [lijst.txt].[lijst_id] "
         "WHERE [kand.txt].[kand_nr] = '  1'",
         "Jansen"},
        {"SELECT * FROM lijst.txt", "1,ABC,3"},
        {"SELECT naamkand FROM KAND.TXT WHERE kand_nr = '999'", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rows(Query(c.sql)), c.rows) << c.sql;
    EXPECT_EQ(Query("SELECT * FROM lijst.txt").Columns, (std::vector<std::string>{"lijst_id", "afkorting", "kandidaten"}));
}

TEST_F(TextDriverTest, SchemaFormats)
{
    const struct {
        const char* section;
        const char* data;
        const char* columns;
        const char* rows;
    } cases[] = {
        {"Format=Delimited(;)", "\"a\";\"b\"\r\n\"1\";\"x;y\"\r\n", "a,b", "1,x;y"},
        {"Format=CSVDelimited", "a,b\n1,2\n\n", "a,b", "1,2"},
        {"", "a,b\r\n\"1\",2\r\n", "a,b", "1,2"}, // no section: comma with a header
        {"ColNameHeader=False\r\nFormat=TabDelimited", "\"1\"\t\"2\"\r\n\"3\"\r\n", "F1,F2", "1,2|3,"},
        {"ColNameHeader=\"True\"\r\nFormat=\"Delimited(|)\"", "x|y\r\n1|\"\"\r\n", "x,y", "1,"},
        // Read by the INI routines' rules: blanks and single quotes around values, names in any case.
        {"colnameheader = 'false' \r\n FORMAT\t= 'Delimited(;)'", "1;2\r\n", "F1,F2", "1,2"},
    };
    for (const auto& c : cases) {
        Write("SCHEMA.INI", std::string("[t.txt]\r\n") + c.section + "\r\n");
        Write("t.txt", c.data);
        const TRecordSet set = Query("SELECT * FROM t.txt");
        std::string columns;
        for (const auto& name : set.Columns)
            columns += (columns.empty() ? "" : ",") + name;
        EXPECT_EQ(columns, c.columns) << c.section;
        EXPECT_EQ(Rows(set), c.rows) << c.section;
    }
}

// What a line leaves out is null, an empty value (also after a last delimiter) is empty text; a
// file without header has as many columns as its widest line, wherever that line stands.
TEST_F(TextDriverTest, MissingValuesAreNullAndEmptyValuesEmptyText)
{
    Write("SCHEMA.INI", "[t.txt]\r\nColNameHeader=False\r\nFormat=TabDelimited\r\n[h.txt]\r\nFormat=TabDelimited\r\n");
    Write("t.txt", "\"a\"\r\n\"b\"\t\r\n\"c\"\t\"\"\t\"z\"\r\n\"d\"\t\"\"\r\n");
    EXPECT_EQ(Query("SELECT * FROM t.txt").Columns, (std::vector<std::string>{"F1", "F2", "F3"}));
    EXPECT_EQ(Rows(Query("SELECT F1 FROM t.txt WHERE F2 IS NULL")), "a");
    EXPECT_EQ(Rows(Query("SELECT F1 FROM t.txt WHERE F2 = '' ORDER BY F1")), "b|c|d");
    EXPECT_EQ(Rows(Query("SELECT F1 FROM t.txt WHERE F3 IS NULL ORDER BY F1")), "a|b|d");
    Write("h.txt", "\"x\"\t\"y\"\r\n\"1\"\r\n\"2\"\t\r\n\"3\"\t\"4\"\t\"5\"\r\n");
    EXPECT_EQ(Query("SELECT * FROM h.txt").Columns, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(Rows(Query("SELECT x, y IS NULL, y = '' FROM h.txt")), "1,1,|2,0,1|3,0,0");
}

TEST_F(TextDriverTest, EveryLineOfALargeFileComesBackInOrderWithItsNulls)
{
    // Line counts around the loader's groups of lines, lines short and long, a file wider than a
    // group's values allow for more than a line or two.
    for (const int count : {1, 63, 64, 65, 128, 200, 1000}) {
        std::string text = "\"n\"\t\"a\"\t\"b\"\r\n";
        std::string expected;
        for (int i = 1; i <= count; ++i) {
            const std::string n = std::to_string(i);
            if (i % 7 == 0) {
                text += "\"" + n + "\"\r\n"; // a and b null
                expected += (expected.empty() ? "" : "|") + n + ",1,1,";
            } else if (i % 5 == 0) {
                text += n + "\t\"\"\t\"x" + n + "\"\t\"extra\"\r\n"; // a empty, one value too many
                expected += (expected.empty() ? "" : "|") + n + ",0,0,x" + n;
            } else {
                text += n + "\t\"v" + n + "\"\t\"w\"\r\n";
                expected += (expected.empty() ? "" : "|") + n + ",0,0,w";
            }
        }
        Write("big.txt", text);
        Write("SCHEMA.INI", "[big.txt]\r\nColNameHeader=True\r\nFormat=TabDelimited\r\n");
        EXPECT_EQ(Rows(Query("SELECT n, a IS NULL, b IS NULL, b FROM big.txt")), expected) << count;
        const TRecordSet all = Query("SELECT * FROM big.txt");
        ASSERT_EQ(all.Rows.size(), static_cast<std::size_t>(count));
        EXPECT_EQ(all.Rows.back()[0], std::to_string(count));
        EXPECT_EQ(Rows(Query("SELECT COUNT(*), COUNT(a), SUM(a = '') FROM big.txt")),
                  std::to_string(count) + "," + std::to_string(count - count / 7) + ","
                      + std::to_string(count / 5 - count / 35));
    }
    std::string wide, line;
    for (int c = 1; c <= 600; ++c) {
        wide += (c > 1 ? "\t" : "") + std::string("c") + std::to_string(c);
        line += (c > 1 ? "\t" : "") + std::to_string(c);
    }
    std::string text = wide + "\r\n";
    for (int i = 0; i < 5; ++i)
        text += std::to_string(i) + line.substr(1) + "\r\n";
    Write("wide.txt", text);
    Write("SCHEMA.INI", "[wide.txt]\r\nColNameHeader=True\r\nFormat=TabDelimited\r\n");
    EXPECT_EQ(Rows(Query("SELECT c1, c2, c600 FROM wide.txt")), "0,2,600|1,2,600|2,2,600|3,2,600|4,2,600");
}

TEST_F(TextDriverTest, QuotesAreRemovedAndValuesWrittenWithQuotesOrTabsComeBackWhole)
{
    const struct {
        std::string line;
        std::vector<std::string> values;
    } cases[] = {
        {"\"a\"\t\"b\"", {"a", "b"}},
        {"\"He said \"hi\"\"\t\"x\"", {"He said \"hi\"", "x"}},
        {"\"a\tb\"\t\"c\"", {"a\tb", "c"}},
        {"\"  \"\t\"\"\t", {"  ", "", ""}},
        {"plain\t\"q", {"plain", "q"}},
        {"\"\xe9t\xe9\"", {"\xe9t\xe9"}},
    };
    for (const auto& c : cases) {
        const auto lines = SplitDelimitedText(c.line + "\r\n", '\t');
        ASSERT_EQ(lines.size(), 1u) << c.line;
        EXPECT_EQ(lines[0], c.values) << c.line;
    }
    EXPECT_EQ(SplitDelimitedText("\r\n\"a\"\r\n\r\n\"b\"", '\t'), (std::vector<std::vector<std::string>>{{"a"}, {"b"}}));
}

TEST_F(TextDriverTest, FailuresGiveTheDataSourceMessage)
{
    const std::string folder = dir.path().toStdString();
    const struct {
        std::string connection;
        std::string sql;
    } cases[] = {
        {Connection(), "SELEC kand_nr FROM kand.txt"},
        {Connection(), "SELECT kand_nr FROM bestaatniet.txt"},
        {Connection(), "SELECT onbekend FROM kand.txt"},
        {Connection(), "DELETE FROM kand.txt"},
        {Connection(), "SELECT * FROM kand.txt; DELETE FROM kand.txt"},
        {Connection(), "ATTACH 'x.db' AS x"},
        {"DSN=Excel Files;DBQ=" + folder, "SELECT * FROM kand.txt"},
        {"DBQ=" + folder, "SELECT * FROM kand.txt"},
        {"DSN=Text Files;DBQ=" + folder + "/missing/", "SELECT * FROM kand.txt"},
        {"DSN=Text Files", "SELECT * FROM kand.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf([&] { RunTextQuery(c.connection, c.sql); }), "De gegevensbron kan niet worden geopend") << c.sql;

    // An unknown format, and a data source that the program has not registered.
    Write("SCHEMA.INI", "[kand.txt]\r\nFormat=FixedLength\r\n");
    EXPECT_EQ(ErrorOf([&] { Query("SELECT * FROM kand.txt"); }), "De gegevensbron kan niet worden geopend");
    Write("SCHEMA.INI", "");
    // Without a section the file is read comma-delimited: one column.
    EXPECT_EQ(Query("SELECT * FROM kand.txt").Columns.size(), 1u);
    QFile::remove(RegistryStore::FileName(HKEY_CURRENT_USER));
    EXPECT_EQ(ErrorOf([&] { Query("SELECT * FROM kand.txt"); }), "De gegevensbron kan niet worden geopend");
}

TEST_F(TextDriverTest, FilesTheStatementDoesNotNameAreNotRead)
{
    // A broken file elsewhere in the folder does not stop the statement.
    Write("gemeente.txt", "\"a\"\t\"a\"\r\n");
    Write("SCHEMA.INI", "[gemeente.txt]\r\nFormat=TabDelimited\r\n[kand.txt]\r\nFormat=TabDelimited\r\n");
    EXPECT_EQ(Query("SELECT naamkand FROM kand.txt WHERE kand_nr = '  1'").Rows.size(), 1u);
    EXPECT_EQ(ErrorOf([&] { Query("SELECT * FROM gemeente.txt"); }), "De gegevensbron kan niet worden geopend");
}

// The default file layer of SQLite, counting the temporary files it is asked to open.
class TempFileCounter {
public:
    TempFileCounter() : base_(sqlite3_vfs_find(nullptr))
    {
        counting_ = *base_;
        counting_.zName = "telt-tijdelijke-bestanden";
        counting_.pAppData = this;
        counting_.xOpen = [](sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
            auto* self = static_cast<TempFileCounter*>(vfs->pAppData);
            if (flags & (SQLITE_OPEN_TEMP_DB | SQLITE_OPEN_TEMP_JOURNAL | SQLITE_OPEN_TRANSIENT_DB | SQLITE_OPEN_SUBJOURNAL))
                ++self->Opened;
            return self->base_->xOpen(self->base_, name, file, flags, outFlags);
        };
        sqlite3_vfs_register(&counting_, 1);
    }
    ~TempFileCounter()
    {
        sqlite3_vfs_unregister(&counting_);
        sqlite3_vfs_register(base_, 1);
    }
    TempFileCounter(const TempFileCounter&) = delete;
    TempFileCounter& operator=(const TempFileCounter&) = delete;

    int Opened = 0;

private:
    sqlite3_vfs* base_;
    sqlite3_vfs counting_{};
};

const std::string StepsText = "De SQL query is afgebroken: de query duurt langer dan 20.000.000 rekenstappen.";
const std::string RowsText = "De SQL query is afgebroken: het resultaat heeft meer dan 100.000 rijen.";
const std::string ResultText = "De SQL query is afgebroken: het resultaat wordt groter dan 64 MB.";
const std::string ValueText = "De SQL query is afgebroken: een waarde wordt groter dan 64 MB.";
const std::string MemoryText = "De SQL query is afgebroken: de query vraagt meer dan 256 MB geheugen.";

// A statement without end is stopped by the bound it passes, and neither it nor a large sort puts
// anything in files of the system's temporary folder.
TEST_F(TextDriverTest, AStatementWithoutEndIsStoppedAndNothingSpillsIntoTemporaryFiles)
{
    const TempFileCounter temporary;
    const std::string endless = "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) ";
    const struct {
        std::string sql, error;
    } endlessCases[] = {
        {endless + "SELECT x FROM n ORDER BY x DESC", StepsText},
        {endless + "SELECT x FROM n", RowsText},
        {"WITH RECURSIVE n(x) AS (SELECT 1 UNION SELECT x + 1 FROM n) SELECT count(*) FROM n", StepsText},
    };
    for (const auto& c : endlessCases)
        EXPECT_EQ(ErrorOf([&] { Query(c.sql); }), c.error) << c.sql;
    // Within the bounds a sort far larger than SQLite's page cache stays in memory.
    const TRecordSet sorted = Query("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 90000) "
                                    "SELECT printf('%0200d', x) AS v FROM n ORDER BY v DESC");
    ASSERT_EQ(sorted.Rows.size(), 90000u);
    EXPECT_EQ(sorted.Rows.front()[0], std::string(195, '0') + "90000");
    EXPECT_EQ(temporary.Opened, 0);
    // One row past the bound on rows fails.
    const std::string upTo = "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < ";
    EXPECT_EQ(Query(upTo + std::to_string(MaxQueryRows) + ") SELECT x FROM n").Rows.size(), MaxQueryRows);
    EXPECT_EQ(ErrorOf([&] { Query(upTo + std::to_string(MaxQueryRows + 1) + ") SELECT x FROM n"); }), RowsText);
}

// What a statement makes and holds is bounded, each bound stopping it with its own text: the rows
// collected, the length of a value, SQLite's memory for a sort or a row being made.  The data
// source serves the next statement as before, and SQLite's heap limits for the process are put back.
TEST_F(TextDriverTest, StatementsThatWouldHoldTooMuchAreStoppedByTheirBound)
{
    const auto upTo = [](int n) {
        return "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < " + std::to_string(n) + ") ";
    };
    const std::string text60 = "CAST(zeroblob(60000000) AS TEXT)"; // 60 MB made at once
    std::string wide = "SELECT x";
    for (int i = 0; i < 5; ++i)
        wide += ", " + text60;
    std::string empty = "SELECT x";
    for (int i = 0; i < 1000; ++i)
        empty += ", ''";
    const struct {
        std::string sql, error;
    } cases[] = {
        {upTo(12) + "SELECT printf('%.*c', 16000000, 'x') FROM n", ResultText},
        {"SELECT hex(zeroblob(400000000))", ValueText},
        {upTo(12) + "SELECT group_concat(printf('%.*c', 16000000, 'x')) FROM n", ValueText},
        {upTo(12) + "SELECT x FROM n ORDER BY " + text60 + " || x", MemoryText},
        {upTo(1) + wide + " FROM n", MemoryText},
        {upTo(5000) + empty + " FROM n", ResultText}, // empty texts, in strings all the same
    };
    const sqlite3_int64 hardBefore = sqlite3_hard_heap_limit64(sqlite3_int64(8) << 30);
    TTextDataSource source;
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf([&] { source.Run(Connection(), c.sql); }), c.error) << c.sql.substr(0, 120);
        EXPECT_EQ(Rows(source.Run(Connection(), "SELECT naamkand FROM kand.txt WHERE kand_nr = ' 10'")), "Bakker");
        EXPECT_EQ(sqlite3_hard_heap_limit64(-1), sqlite3_int64(8) << 30);
    }
    // Within the bounds: one value of 64 MB less the strings' share, 63 values of a megabyte.
    const TRecordSet large = source.Run(Connection(), "SELECT CAST(zeroblob(" + std::to_string(MaxQueryBytes - 64) + ") AS TEXT)");
    ASSERT_EQ(large.Rows.size(), 1u);
    EXPECT_EQ(large.Rows[0][0].size(), MaxQueryBytes - 64);
    EXPECT_EQ(source.Run(Connection(), upTo(63) + "SELECT printf('%.*c', 1048576, 'x') FROM n").Rows.size(), 63u);
    sqlite3_hard_heap_limit64(hardBefore);
    sqlite3_soft_heap_limit64(0);
    EXPECT_EQ(sqlite3_hard_heap_limit64(-1), hardBefore);
}

// A data file is read in pieces of a megabyte: lines across their borders, a CR LF split by one, a
// line longer than a piece, a last line without its end and, without a header, a line wider than
// those before it all come back as the file read whole splits them.
TEST_F(TextDriverTest, AFileReadInPiecesGivesEveryLineWhole)
{
    for (const bool header : {true, false}) {
        SCOPED_TRACE(header);
        std::string text = header ? "\"a\"\t\"b\"\t\"c\"\r\n" : "";
        for (int i = 1; text.size() < (std::size_t(3) << 20); ++i) {
            std::string line = "\"" + std::to_string(i) + "\"\t\"" + std::string(std::size_t(i % 97), 'v') + "\"";
            if (i % 5 == 0)
                line += "\t\"w\"";
            if (i == 30000)
                line += "\t\"x\"\t\"y\""; // wider than every line before
            text += line + "\r\n";
            if (text.size() > (std::size_t(1) << 20) - 200 && text.size() < (std::size_t(1) << 20)) // CR last of the piece
                text += "\"" + std::string((std::size_t(1) << 20) - text.size() - 2, 'p') + "\r\n";
        }
        ASSERT_EQ(text.substr((std::size_t(1) << 20) - 1, 2), "\r\n");
        text += "\"lang\"\t\"" + std::string(std::size_t(3) << 19, 'L') + "\"\r\n\"laatste\"\t\"z\"";
        Write("SCHEMA.INI", std::string("[p.txt]\r\nFormat=TabDelimited\r\nColNameHeader=") + (header ? "True" : "False") + "\r\n");
        Write("p.txt", text);

        std::vector<std::vector<std::string>> lines = SplitDelimitedText(text, '\t');
        std::size_t width = 0;
        for (const auto& line : lines)
            width = std::max(width, line.size());
        if (header) {
            width = lines.front().size();
            lines.erase(lines.begin());
        }
        TRecordSet whole;
        for (auto& line : lines) {
            line.resize(width);
            whole.Rows.push_back(line);
        }
        const TRecordSet read = Query("SELECT * FROM p.txt");
        EXPECT_EQ(read.Columns.size(), header ? 3u : 5u);
        EXPECT_EQ(read.Rows.size(), whole.Rows.size());
        EXPECT_TRUE(Rows(read) == Rows(whole));
    }
}

// A data file or SCHEMA.INI that is a FIFO (or a link to one or to a device) is neither waited for
// nor read; a data file larger than the bound is refused by its size, with the bound.
TEST_F(TextDriverTest, FilesThatAreNoRegularFilesGiveTheDataSourceMessageAndTooLargeOnesTheBound)
{
    const auto path = [&](const char* name) { return QFile::encodeName(dir.filePath(name)); };
    ASSERT_EQ(::mkfifo(path("pijp").constData(), 0600), 0);
    for (const char* target : {"pijp", "/dev/zero"}) {
        SCOPED_TRACE(target);
        QFile::remove(dir.filePath("SCHEMA.INI"));
        ASSERT_TRUE(QFile::link(target[0] == '/' ? QString(target) : dir.filePath(target), dir.filePath("SCHEMA.INI")));
        // Without its SCHEMA.INI the tab-delimited file reads as one column.
        EXPECT_EQ(Query("SELECT * FROM kand.txt").Columns.size(), 1u);
        QFile::remove(dir.filePath("lijst.txt"));
        ASSERT_TRUE(QFile::link(target[0] == '/' ? QString(target) : dir.filePath(target), dir.filePath("lijst.txt")));
        EXPECT_EQ(ErrorOf([&] { Query("SELECT * FROM lijst.txt"); }), "De gegevensbron kan niet worden geopend");
    }
    QFile::remove(dir.filePath("SCHEMA.INI"));
    ASSERT_EQ(::mkfifo(path("SCHEMA.INI").constData(), 0600), 0);
    EXPECT_EQ(Query("SELECT * FROM kand.txt").Columns.size(), 1u);

    QFile::remove(dir.filePath("SCHEMA.INI"));
    Write("SCHEMA.INI", "[kand.txt]\r\nFormat=TabDelimited\r\n" + std::string(MaxIniBytes, ';'));
    EXPECT_EQ(ErrorOf([&] { Query("SELECT * FROM kand.txt"); }), "De gegevensbron kan niet worden geopend");
    Write("SCHEMA.INI", "[kand.txt]\r\nFormat=TabDelimited\r\n");
    Write("kand.txt", "\"kand_nr\"\r\n");
    ASSERT_EQ(::truncate(path("kand.txt").constData(), off_t(MaxTextFileBytes)), 0);
    // Read whole: its one value after the header line, too large a result to collect.
    EXPECT_EQ(Query("SELECT length(CAST(kand_nr AS BLOB)) FROM kand.txt").Rows,
              std::vector<std::vector<std::string>>{{std::to_string(MaxTextFileBytes - 11)}});
    EXPECT_EQ(ErrorOf([&] { Query("SELECT * FROM kand.txt"); }), ResultText);
    ASSERT_EQ(::truncate(path("kand.txt").constData(), off_t(MaxTextFileBytes) + 1), 0);
    EXPECT_EQ(ErrorOf([&] { Query("SELECT * FROM kand.txt"); }),
              "Het gegevensbestand " + dir.filePath("kand.txt").toStdString() + " is groter dan 64 MB (67.108.865 bytes).");
}

TEST_F(TextDriverTest, OnlyReadableFilesOfTheFolderAreTables)
{
    const QByteArray folder = QFile::encodeName(dir.path()) + "/";
    ASSERT_EQ(::mkfifo(folder + "pijp.txt", 0600), 0); // opening it would wait for a writer
    ASSERT_TRUE(QDir(dir.path()).mkdir("map.txt"));
    ASSERT_EQ(::symlink("kand.txt", folder + "link.txt"), 0);
    Write("SCHEMA.INI", "[kand.txt]\r\nFormat=TabDelimited\r\n[link.txt]\r\nFormat=TabDelimited\r\n");
    ASSERT_EQ(::symlink("bestaatniet", folder + "weg.txt"), 0);
    Write(".verborgen.txt", "a\r\n1\r\n");
    Write("Groot.TXT", "a,b\r\n1,2\r\n");
    Write(QString::fromUtf8("\xc3\xa9\xc3\xa9n.txt"), "a\r\n1\r\n");
    for (const char* missing : {"pijp.txt", "map.txt", "weg.txt", "[.verborgen.txt]"})
        EXPECT_EQ(ErrorOf([&] { Query(std::string("SELECT * FROM ") + missing); }), DataSourceFailedText) << missing;
    EXPECT_EQ(Rows(Query("SELECT naamkand FROM link.txt WHERE kand_nr = '  1'")), "Jansen");
    EXPECT_EQ(Rows(Query("SELECT * FROM groot.txt")), "1,2");
    EXPECT_EQ(Rows(Query("SELECT * FROM [\xe9\xe9n.txt]")), "1");
    // A folder full of other files changes nothing.
    for (int i = 0; i < 200; ++i)
        Write("Standaardbrieven" + QString::number(i) + ".docx", "PK");
    EXPECT_EQ(Rows(Query("SELECT naamkand FROM kand.txt WHERE kand_nr = ' 10'")), "Bakker");
}

TEST_F(TextDriverTest, AKeptDataSourceSeesEveryChangeOfItsFiles)
{
    TTextDataSource source;
    const std::string byNumber = "SELECT kand_nr, naamkand FROM kand.txt ORDER BY kand_nr";
    auto run = [&](const std::string& sql) { return Rows(source.Run(Connection(), sql)); };
    ASSERT_EQ(run(byNumber), "  1,Jansen|  2,de Vries| 10,Bakker");
    EXPECT_EQ(run("SELECT naamkand FROM kand.txt WHERE kand_nr = ' 10'"), "Bakker");

    // Rewritten in place with as many bytes, at once: the values, not the size or the time, tell.
    Write("kand.txt", "\"kandidaat_id\"\t\"lijst_id\"\t\"kand_nr\"\t\"naamkand\"\r\n"
                      "\"  2\"\t\"1\"\t\"  2\"\t\"de Vries\"\r\n"
                      "\"  1\"\t\"1\"\t\"  1\"\t\"Janssn\"\r\n"
                      "\" 10\"\t\"1\"\t\" 10\"\t\"Bakker\"\r\n");
    EXPECT_EQ(run(byNumber), "  1,Janssn|  2,de Vries| 10,Bakker");
    // A new candidate.
    Write("kand.txt", "\"kand_nr\"\t\"naamkand\"\r\n\"  1\"\t\"Jansen\"\r\n\"  4\"\t\"Visser\"\r\n");
    EXPECT_EQ(run(byNumber), "  1,Jansen|  4,Visser");
    // Another format in SCHEMA.INI reads the same bytes anew.
    Write("SCHEMA.INI", "[kand.txt]\r\nColNameHeader=False\r\nFormat=TabDelimited\r\n[lijst.txt]\r\nFormat=TabDelimited\r\n");
    EXPECT_EQ(run("SELECT F1 FROM kand.txt"), "kand_nr|  1|  4");
    // A statement that names another table, then the first one again.
    EXPECT_EQ(run("SELECT afkorting FROM lijst.txt"), "ABC");
    EXPECT_EQ(ErrorOf([&] { run(byNumber); }), DataSourceFailedText); // no column kand_nr without a header
    EXPECT_EQ(run("SELECT F2 FROM kand.txt WHERE F1 = '  4'"), "Visser");
    // A file that is gone, and one that came.
    QFile::remove(dir.filePath("kand.txt"));
    EXPECT_EQ(ErrorOf([&] { run("SELECT F2 FROM kand.txt"); }), DataSourceFailedText);
    Write("kand.csv", "nr,naam\r\n7,Smit\r\n");
    EXPECT_EQ(run("SELECT naam FROM kand.csv"), "Smit");
    // A data source that is no longer registered fails, even with the tables loaded.
    QFile::remove(RegistryStore::FileName(HKEY_CURRENT_USER));
    EXPECT_EQ(ErrorOf([&] { run("SELECT naam FROM kand.csv"); }), DataSourceFailedText);
}

} // namespace
