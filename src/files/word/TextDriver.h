#pragma once
// The text driver behind the user data source "Text Files": it reads the delimited text files of
// a folder as tables and runs a statement on them.
//
// The connection text names the data source ("DSN=Text Files") and the folder ("DBQ=<folder>",
// else "DefaultDir=<folder>", in the file system's bytes); the data source must be listed in the registry store as a text
// driver, as the program registers it at start-up.  Each file of the folder with the extension
// txt, csv, tab or asc that the statement mentions is a table named by its file name; all its
// columns hold text.  SCHEMA.INI in the folder, read as an INI file (TIniFile), gives per file (its
// section) ColNameHeader (True: the first line names the columns; False: they are F1, F2, ...) and
// Format (TabDelimited, CSVDelimited or Delimited(x)); a file without a section is comma-delimited
// with a header.  A
// value between double quotes loses them; inside, a quote ends the value only before the
// delimiter or the end of the line, so values written with quotes and delimiters in them come
// back whole.
//
// The statement runs in an in-memory SQLite database where "kand.txt" is table txt of a database
// attached as kand, with a view named "kand.txt" over it: kand.txt, [kand.txt],
// kand.txt.kand_nr and [kand.txt].[kand_nr] all resolve.  Only one reading statement runs.
// Texts are Windows-1252 bytes, compared as bytes.

#include "RecordSet.h"
#include "WordApplication.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Where the data sources are listed in the registry store (HKEY_CURRENT_USER), the text driver's
// data source and the driver name it is listed with; a data source is a text one when its listed
// driver name begins with TextDriverPrefix.
inline constexpr const char* OdbcDataSourcesKey = "\\Software\\ODBC\\ODBC.INI\\ODBC Data Sources";
inline constexpr const char* TextDataSourceName = "Text Files";
inline constexpr const char* TextDriverName = "Microsoft Text Driver (*.txt; *.csv)";
inline constexpr const char* TextDriverPrefix = "Microsoft Text Driver";

// A statement that fails, or a data source that cannot be opened, throws
// Exception(DataSourceFailedText) (WordApplication.h).

// Bounds far beyond the forms' data and statements, so that a damaged file or a statement without
// end (a recursive WITH without a bound) cannot take the program's time or memory: a data file
// holds at most MaxTextFileBytes; a statement runs at most MaxQuerySteps steps of SQLite's virtual
// machine (well under a second's work), makes no value longer than MaxQueryBytes, lets SQLite's
// memory grow by at most MaxQueryMemory beside the tables loaded, and gives at most MaxQueryRows
// rows, which take at most MaxQueryBytes (their texts and the strings that hold them).
constexpr std::size_t MaxTextFileBytes = std::size_t(64) << 20;
constexpr long long MaxQuerySteps = 20'000'000;
constexpr std::size_t MaxQueryRows = 100000;
constexpr std::size_t MaxQueryBytes = std::size_t(64) << 20;
constexpr std::size_t MaxQueryMemory = std::size_t(256) << 20;

// A bound that a data file or a statement passes is no failure of the data source: it throws a
// plain Exception that names it, such as "Het gegevensbestand <path> is groter dan 64 MB
// (<size> bytes)." or "De SQL query is afgebroken: het resultaat heeft meer dan 100.000 rijen."

// A data source kept open from one statement to the next.  Every statement reads the files it
// names again; while they, their formats and the set of files are the same as for the statement
// before, the tables loaded then are used, otherwise they are loaded anew.  A file is read in
// pieces, loaded as it comes; of the files loaded only their tables and a digest of their bytes
// are kept.
class TTextDataSource {
public:
    TTextDataSource();
    ~TTextDataSource();
    TTextDataSource(const TTextDataSource&) = delete;
    TTextDataSource& operator=(const TTextDataSource&) = delete;

    // Runs Sql on the data source of Connection.  A failure (unknown data source, missing folder,
    // a data file or SCHEMA.INI that is no regular file or in an unknown format, SCHEMA.INI too
    // large, statement error) throws EDataSourceFailed; a data file or statement past its bound
    // throws the bound's Exception; memory that SQLite cannot find while loading, std::bad_alloc.
    // Sorts and temporary tables are kept in memory, not in the system's temporary folder.
    TRecordSet Run(const std::string& Connection, const std::string& Sql);

private:
    struct TLoaded;
    std::unique_ptr<TLoaded> loaded_;
};

// Runs Sql on the data source of Connection with tables loaded for this statement alone; fails
// as TTextDataSource::Run.
TRecordSet RunTextQuery(const std::string& Connection, const std::string& Sql);

// One file's lines split into values with the quotes removed; empty lines are left out.
std::vector<std::vector<std::string>> SplitDelimitedText(const std::string& Bytes, char Delimiter);
