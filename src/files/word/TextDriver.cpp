#include "TextDriver.h"

#include "AnsiText.h"
#include "AsciiCase.h"
#include "Exceptions.h"
#include "IniFile.h"
#include "RegistryStore.h"
#include "RegularFile.h"
#include "WordPackage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string_view>
#include <dirent.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

const char* const DataSourceFailedText = "De gegevensbron kan niet worden geopend";

namespace {

[[noreturn]] void Fail() { throw EDataSourceFailed(); }

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// "DSN=Text Files;DBQ=/tmp/x/;..." -> {"dsn": "Text Files", "dbq": "/tmp/x/"}
std::map<std::string, std::string> ConnectionKeys(const std::string& connection)
{
    std::map<std::string, std::string> keys;
    std::size_t start = 0;
    while (start <= connection.size()) {
        std::size_t end = connection.find(';', start);
        if (end == std::string::npos)
            end = connection.size();
        const std::string item = connection.substr(start, end - start);
        const auto eq = item.find('=');
        if (eq != std::string::npos)
            keys.emplace(AsciiLowerStr(Trim(item.substr(0, eq))), Trim(item.substr(eq + 1)));
        start = end + 1;
    }
    return keys;
}

bool IsTextDataSource(const std::string& dsn)
{
    RegistryStore reg(HKEY_CURRENT_USER);
    if (dsn.empty() || !reg.OpenKeyReadOnly(OdbcDataSourcesKey))
        return false;
    try { // a missing value reads as ""
        return reg.ReadString(dsn).rfind(TextDriverPrefix, 0) == 0;
    } catch (const ERegistryException&) {
        return false;
    }
}

// The bound that a data file passed.
[[noreturn]] void FileTooLarge(const QString& path)
{
    struct stat info {};
    const bool sized = ::stat(QFile::encodeName(path).constData(), &info) == 0;
    throw Exception("Het gegevensbestand " + PathInMessage(QDir::cleanPath(path)) + " is groter dan " + SizeText(MaxTextFileBytes)
                    + (sized ? " (" + DutchCount(std::size_t(info.st_size)) + " bytes)." : "."));
}

// Hands a data file's bytes to piece in whole megabytes (the last piece shorter), so that the same
// bytes always give the same digest; only a regular file of at most MaxTextFileBytes (a FIFO is
// not waited for).
template <class F>
void ReadDataFile(const QString& path, F piece)
{
    try {
        ReadRegularFileInPieces(QFile::encodeName(path).toStdString(), MaxTextFileBytes, std::size_t(1) << 20, piece);
    } catch (const EInOutError& e) {
        if (e.ErrorCode == EFBIG)
            FileTooLarge(path);
        Fail();
    }
}

// The folder's SCHEMA.INI, its name looked up without regard to case, as on the original file
// system; none when the folder has none.
std::optional<TIniFile> ReadSchema(const QString& folder)
{
    QString path = QDir(folder).filePath("SCHEMA.INI");
    if (!QFileInfo(path).isFile()) {
        const QStringList names = QDir(folder).entryList({"schema.ini"}, QDir::Files);
        if (names.isEmpty())
            return std::nullopt;
        path = QDir(folder).filePath(names.front());
    }
    return TIniFile(QFile::encodeName(path).toStdString());
}

struct TFileFormat {
    bool ColNameHeader = true;
    char Delimiter = ',';
    bool operator==(const TFileFormat&) const = default;
};

// The format of a data file by its section of SCHEMA.INI; a missing key (or section) keeps the
// default, a value the driver does not know fails.
TFileFormat FormatOf(const std::optional<TIniFile>& schema, const std::string& fileName)
try {
    TFileFormat format;
    if (!schema)
        return format;
    const std::string header = AsciiLowerStr(schema->ReadString(fileName, "ColNameHeader", ""));
    if (header == "false")
        format.ColNameHeader = false;
    else if (!header.empty() && header != "true")
        Fail();
    const std::string value = schema->ReadString(fileName, "Format", "");
    const std::string lower = AsciiLowerStr(value);
    if (lower.empty())
        return format;
    if (lower == "tabdelimited")
        format.Delimiter = '\t';
    else if (lower == "csvdelimited")
        format.Delimiter = ',';
    else if (lower.size() == 12 && lower.rfind("delimited(", 0) == 0 && lower.back() == ')' && value[10] != '"')
        format.Delimiter = value[10];
    else
        Fail();
    return format;
} catch (const Exception&) {
    Fail(); // a SCHEMA.INI too large to read
}

std::string Quoted(const std::string& name)
{
    std::string q = "\"";
    for (char c : name) {
        q += c;
        if (c == '"')
            q += '"';
    }
    return q + '"';
}

struct DbCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StmtCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using TStatement = std::unique_ptr<sqlite3_stmt, StmtCloser>;
using TDatabase = std::unique_ptr<sqlite3, DbCloser>;

// What tells a file's bytes from others: their count and two hashes of them with different
// seeds, 128 bits, so that a changed file is taken for the same one no more than once in 2^128
// changes.
class TDigest {
public:
    void Add(std::string_view piece)
    {
        size_ += piece.size();
        first_ = qHashBits(piece.data(), piece.size(), first_);
        second_ = qHashBits(piece.data(), piece.size(), second_);
    }
    bool operator==(const TDigest&) const = default;

private:
    std::size_t size_ = 0;
    std::size_t first_ = 0x9e3779b97f4a7c15, second_ = 0xc2b2ae3d27d4eb4f;
};

// A data file that the statement names: its name, where its table stands, its path and format,
// and once read the digest of its bytes.
struct TTableFile {
    std::string Name, Schema, Table;
    QString Path;
    TFileFormat Format;
    TDigest Digest;
};

// Loading fails as the data source does, but when SQLite finds no memory, as memory that runs out.
[[noreturn]] void LoadFailed(int rc)
{
    if (rc == SQLITE_NOMEM)
        throw std::bad_alloc();
    Fail();
}

TStatement Prepare(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK || !stmt) {
        sqlite3_finalize(stmt);
        LoadFailed(rc);
    }
    return TStatement(stmt);
}

void Exec(sqlite3* db, const std::string& sql)
{
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        LoadFailed(rc);
}

// Calls line with the values of each line of bytes that is not empty, as views into bytes: split
// at Delimiter, a value in double quotes taken without them up to the quote before a delimiter or
// the line's end.
template <class F>
void ForEachDelimitedLine(std::string_view bytes, char Delimiter, F line)
{
    std::vector<std::string_view> values; // kept from line to line
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::size_t stop = end;
        if (stop > start && bytes[stop - 1] == '\r')
            --stop;
        const std::size_t next = end + 1;
        if (stop == start) {
            start = next;
            continue;
        }
        values.clear();
        std::size_t i = start;
        while (true) {
            if (i < stop && bytes[i] == '"') {
                std::size_t j = i + 1;
                while (j < stop && !(bytes[j] == '"' && (j + 1 == stop || bytes[j + 1] == Delimiter)))
                    ++j;
                values.push_back(bytes.substr(i + 1, j - i - 1));
                i = j < stop ? j + 1 : stop; // past the closing quote
            } else {
                std::size_t j = i;
                while (j < stop && bytes[j] != Delimiter)
                    ++j;
                values.push_back(bytes.substr(i, j - i));
                i = j;
            }
            if (i >= stop)
                break;
            ++i; // the delimiter
            if (i == stop) {
                values.push_back(bytes.substr(i, 0)); // empty text, not a null
                break;
            }
        }
        line(values);
        start = next;
    }
}

// Bytes that come in pieces, handed on as runs of whole lines: each run ends after a line feed,
// the last one at the end of the bytes.  A run is valid during its call only.
class TWholeLines {
public:
    template <class F>
    void Add(std::string_view piece, F run)
    {
        const std::size_t last = piece.rfind('\n');
        if (last == std::string_view::npos) {
            rest_.append(piece);
            return;
        }
        if (rest_.empty()) {
            run(piece.substr(0, last + 1));
        } else {
            rest_.append(piece.substr(0, last + 1));
            run(std::string_view(rest_));
            if (rest_.capacity() > KeptBytes)
                std::string().swap(rest_); // after a long line
        }
        rest_.assign(piece.substr(last + 1));
    }
    template <class F>
    void End(F run)
    {
        run(std::string_view(rest_));
        std::string().swap(rest_);
    }

private:
    static constexpr std::size_t KeptBytes = std::size_t(4) << 20;
    std::string rest_; // the start of a line whose end has not come yet
};

// At most this many rows, and values, in one statement that loads a table.
constexpr std::size_t RowsPerInsert = 64;
constexpr std::size_t MaxInsertValues = 999;

// Fills a new table with the lines of its file as they come.  Its columns are the header line's
// names, or F1, F2, ... for as many values as the widest line holds (a wider line adds columns);
// the other lines are its rows, the values of a short line that are missing as nulls.
class TTableLoader {
public:
    TTableLoader(sqlite3* db, const std::string& schema, const std::string& table, bool header)
        : db_(db), table_(Quoted(schema) + "." + Quoted(table)), header_(header)
    {
    }

    void Line(const std::vector<std::string_view>& values)
    {
        if (!created_ && header_) {
            Create(std::vector<std::string>(values.begin(), values.end()));
            return;
        }
        if (!created_)
            Create(std::vector<std::string>(values.size()));
        else if (!header_ && values.size() > width_)
            Widen(values.size());
        for (std::size_t i = 0; i < width_; ++i)
            pending_.push_back(i < values.size() ? values[i] : std::string_view());
        if (pending_.size() == batch_ * width_) {
            Run(many_.get(), 0, pending_.size());
            pending_.clear();
        }
    }

    // The rows of the lines so far go in while the bytes their values point into are still there.
    void Flush()
    {
        for (std::size_t from = 0; from < pending_.size(); from += width_)
            Run(one_.get(), from, width_);
        pending_.clear();
    }

    void End()
    {
        if (!created_)
            Create({});
        Flush();
    }

private:
    void Create(std::vector<std::string> columns)
    {
        columns.resize(std::max(columns.size(), header_ ? std::size_t(1) : std::size_t(0)));
        std::string create = "CREATE TABLE " + table_ + " (";
        for (std::size_t i = 0; i < columns.size(); ++i)
            create += (i ? ", " : "") + Quoted(columns[i].empty() ? ColumnName(i) : columns[i]) + " TEXT";
        Exec(db_, create + ")");
        created_ = true;
        width_ = columns.size();
        PrepareInserts();
    }

    void Widen(std::size_t width)
    {
        Flush();
        many_.reset();
        one_.reset();
        for (std::size_t i = width_; i < width; ++i)
            Exec(db_, "ALTER TABLE " + table_ + " ADD COLUMN " + Quoted(ColumnName(i)) + " TEXT");
        width_ = width;
        PrepareInserts();
    }

    static std::string ColumnName(std::size_t i) { return "F" + std::to_string(i + 1); }

    // Lines go in by statements of many rows at once, the rest one by one.
    void PrepareInserts()
    {
        batch_ = std::max<std::size_t>(1, std::min<std::size_t>(RowsPerInsert, MaxInsertValues / width_));
        std::string row = "(?";
        for (std::size_t i = 1; i < width_; ++i)
            row += ", ?";
        row += ')';
        std::string rows = row;
        for (std::size_t r = 1; r < batch_; ++r)
            rows += ", " + row;
        const std::string insert = "INSERT INTO " + table_ + " VALUES ";
        many_ = Prepare(db_, insert + rows);
        one_ = Prepare(db_, insert + row);
        pending_.reserve(batch_ * width_);
    }

    // The values are bound where they stand in the bytes, a missing one as a null.
    void Run(sqlite3_stmt* stmt, std::size_t from, std::size_t count)
    {
        sqlite3_reset(stmt);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string_view v = pending_[from + i];
            if (v.data())
                sqlite3_bind_text(stmt, static_cast<int>(i + 1), v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
            else
                sqlite3_bind_null(stmt, static_cast<int>(i + 1));
        }
        const int rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE)
            LoadFailed(rc);
    }

    sqlite3* db_;
    std::string table_;
    bool header_;
    bool created_ = false;
    std::size_t width_ = 0, batch_ = 1;
    TStatement many_, one_;
    std::vector<std::string_view> pending_; // width_ values a line, null data for a missing one
};

// Loads a data file into its new table as it is read, so that no more than a piece of its bytes
// (or a line longer than that) is held beside the table; returns the digest of the bytes loaded.
TDigest LoadTable(sqlite3* db, const TTableFile& file)
{
    TTableLoader table(db, file.Schema, file.Table, file.Format.ColNameHeader);
    const auto run = [&](std::string_view lines) {
        ForEachDelimitedLine(lines, file.Format.Delimiter, [&](const std::vector<std::string_view>& values) { table.Line(values); });
        table.Flush();
    };
    TWholeLines lines;
    TDigest digest;
    ReadDataFile(file.Path, [&](std::string_view piece) {
        digest.Add(piece);
        lines.Add(piece, run);
    });
    lines.End(run);
    table.End();
    return digest;
}

// The digest of a data file's bytes as they are now.
TDigest DigestOf(const TTableFile& file)
{
    TDigest digest;
    ReadDataFile(file.Path, [&](std::string_view piece) { digest.Add(piece); });
    return digest;
}

// Once the tables stand, the statement may only read them.
int ReadOnlyAuthorizer(void*, int action, const char*, const char*, const char*, const char*)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

} // namespace

std::vector<std::vector<std::string>> SplitDelimitedText(const std::string& Bytes, char Delimiter)
{
    std::vector<std::vector<std::string>> lines;
    ForEachDelimitedLine(Bytes, Delimiter,
                         [&](const std::vector<std::string_view>& values) { lines.emplace_back(values.begin(), values.end()); });
    return lines;
}

namespace {

// The folder of the connection's data source; fails unless it names the registered text driver
// and an existing folder.
QString DataFolder(const std::string& connection)
{
    const auto keys = ConnectionKeys(connection);
    const auto dsn = keys.find("dsn");
    if (dsn == keys.end() || !IsTextDataSource(dsn->second))
        Fail();
    auto folderKey = keys.find("dbq");
    if (folderKey == keys.end() || folderKey->second.empty())
        folderKey = keys.find("defaultdir");
    if (folderKey == keys.end() || folderKey->second.empty())
        Fail();
    const QString folder = QFile::decodeName(QByteArray::fromStdString(folderKey->second));
    if (!QDir(folder).exists())
        Fail();
    return folder;
}

// The data files of the folder that the statement names (the name anywhere in it, without regard
// to case), in name order: files with the extension txt, csv, tab or asc in any case, not hidden,
// regular (or links to one) and readable.  A name is looked at further only when the statement
// holds it, so the other files of the folder cost no more than their directory entries.
std::vector<std::pair<std::string, QString>> NamedFiles(const QString& folder, const std::string& statement)
{
    std::vector<std::pair<std::string, QString>> files; // the name, the path
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(QFile::encodeName(folder).constData()), ::closedir);
    if (!dir)
        return files;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string native = entry->d_name;
        const auto dot = native.rfind('.');
        if (native.empty() || native[0] == '.' || dot == std::string::npos)
            continue;
        const std::string extension = AsciiLowerStr(native.substr(dot + 1));
        if (extension != "txt" && extension != "csv" && extension != "tab" && extension != "asc")
            continue;
        const bool ascii = std::all_of(native.begin(), native.end(), [](unsigned char c) { return c < 0x80; });
        const std::string name = ascii ? native : QStringToAnsi(QFile::decodeName(native.c_str()));
        if (statement.find(AsciiLowerStr(name)) == std::string::npos)
            continue;
        const QByteArray path = QFile::encodeName(folder) + '/' + QByteArray(native.data(), qsizetype(native.size()));
        struct stat info {};
        if (::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.constData(), R_OK) == 0)
            files.emplace_back(name, QFile::decodeName(path));
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The files of the folder that the statement names, with their formats.
std::vector<TTableFile> NamedTables(const QString& folder, const std::string& sql)
{
    const std::optional<TIniFile> schema = ReadSchema(folder);
    std::vector<TTableFile> tables;
    for (const auto& [name, path] : NamedFiles(folder, AsciiLowerStr(sql))) {
        const auto dot = name.rfind('.');
        const std::string base = name.substr(0, dot);
        const bool builtIn = AsciiLowerStr(base) == "main" || AsciiLowerStr(base) == "temp";
        TTableFile& table = tables.emplace_back();
        table.Name = name;
        table.Schema = builtIn ? AsciiLowerStr(base) : base;
        table.Table = name.substr(dot + 1);
        table.Path = path;
        table.Format = FormatOf(schema, name);
    }
    return tables;
}

// Whether the files are those of the tables loaded (where a table stands follows from its file's
// name), in the same formats, with the same bytes; the bytes are read only when all else is the same.
bool Unchanged(const std::vector<TTableFile>& loaded, const std::vector<TTableFile>& files)
{
    return std::equal(loaded.begin(), loaded.end(), files.begin(), files.end(),
                      [](const TTableFile& was, const TTableFile& is) { return was.Name == is.Name && was.Format == is.Format; })
        && std::equal(loaded.begin(), loaded.end(), files.begin(),
                      [](const TTableFile& was, const TTableFile& is) { return was.Digest == DigestOf(is); });
}

// A new in-memory database holding the tables, each in a database attached under its base name
// and as a view named by its file name, with the digests of the bytes loaded; afterwards statements
// may only read, and no value they make may be longer than MaxQueryBytes.
TDatabase LoadTables(std::vector<TTableFile>& tables)
{
    // The connection belongs to one data source, which one thread uses at a time: no locking of
    // its own around every call.
    sqlite3* handle = nullptr;
    if (sqlite3_open_v2(":memory:", &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(handle);
        Fail();
    }
    TDatabase db(handle);
    // Sorts and temporary tables stay in memory, never in files of the system's temporary folder.
    Exec(db.get(), "PRAGMA temp_store = MEMORY");

    std::vector<std::string> attached;
    for (const TTableFile& t : tables) {
        const bool builtIn = t.Schema == "main" || t.Schema == "temp";
        if (!builtIn && std::find(attached.begin(), attached.end(), AsciiLowerStr(t.Schema)) == attached.end()) {
            Exec(db.get(), "ATTACH ':memory:' AS " + Quoted(t.Schema));
            attached.push_back(AsciiLowerStr(t.Schema));
        }
    }
    Exec(db.get(), "BEGIN");
    for (TTableFile& t : tables) {
        t.Digest = LoadTable(db.get(), t);
        Exec(db.get(), "CREATE TEMP VIEW " + Quoted(t.Name) + " AS SELECT * FROM " + Quoted(t.Schema) + "." + Quoted(t.Table));
    }
    Exec(db.get(), "COMMIT");

    sqlite3_set_authorizer(db.get(), ReadOnlyAuthorizer, nullptr);
    sqlite3_limit(db.get(), SQLITE_LIMIT_LENGTH, static_cast<int>(MaxQueryBytes));
    return db;
}

// Stops the statement once it has run MaxQuerySteps virtual machine steps (counted in blocks).
constexpr int StepsPerCall = 1000;

int StopEndlessQuery(void* calls)
{
    return ++*static_cast<long long*>(calls) > MaxQuerySteps / StepsPerCall ? 1 : 0;
}

// SQLite's memory may grow by at most Growth while the object lives.  SQLite bounds its heap only
// for the whole process, not per connection, so the bound is the library's hard heap limit, set to
// what is in use now plus Growth and put back afterwards: the program uses SQLite on its
// user-interface thread alone, so while a statement runs nothing else allocates through it, and
// what other connections hold lies below the bound's start.
class THeapBound {
public:
    explicit THeapBound(std::size_t growth) : hard_(sqlite3_hard_heap_limit64(-1)), soft_(sqlite3_soft_heap_limit64(-1))
    {
        sqlite3_int64 limit = sqlite3_memory_used() + static_cast<sqlite3_int64>(growth);
        if (hard_ > 0)
            limit = std::min(limit, hard_);
        sqlite3_hard_heap_limit64(limit);
    }
    ~THeapBound()
    {
        sqlite3_hard_heap_limit64(hard_);
        sqlite3_soft_heap_limit64(soft_);
    }
    THeapBound(const THeapBound&) = delete;
    THeapBound& operator=(const THeapBound&) = delete;

private:
    sqlite3_int64 hard_, soft_;
};

[[noreturn]] void QueryStopped(const std::string& bound)
{
    throw Exception("De SQL query is afgebroken: " + bound + ".");
}

// A failure of the statement: a bound that it passed by its own text, any other the data source's.
[[noreturn]] void QueryFailed(int rc, long long progressCalls)
{
    switch (rc) {
    case SQLITE_TOOBIG: QueryStopped("een waarde wordt groter dan " + SizeText(MaxQueryBytes));
    case SQLITE_NOMEM: QueryStopped("de query vraagt meer dan " + SizeText(MaxQueryMemory) + " geheugen");
    case SQLITE_INTERRUPT:
        if (progressCalls > MaxQuerySteps / StepsPerCall)
            QueryStopped("de query duurt langer dan " + DutchCount(static_cast<std::size_t>(MaxQuerySteps)) + " rekenstappen");
        Fail();
    default: Fail();
    }
}

TRecordSet Execute(sqlite3* db, const std::string& Sql)
{
    long long progressCalls = 0;
    sqlite3_progress_handler(db, StepsPerCall, StopEndlessQuery, &progressCalls);
    struct TDisarm {
        sqlite3* db;
        ~TDisarm() { sqlite3_progress_handler(db, 0, nullptr, nullptr); }
    } disarm{db};
    const THeapBound heap(MaxQueryMemory);

    sqlite3_stmt* prepared = nullptr;
    const char* tail = nullptr;
    const int prepareRc = sqlite3_prepare_v2(db, Sql.c_str(), static_cast<int>(Sql.size()), &prepared, &tail);
    const TStatement stmt(prepared);
    if (prepareRc != SQLITE_OK || !stmt)
        QueryFailed(prepareRc, progressCalls);
    for (; tail && *tail; ++tail)
        if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';')
            Fail();
    if (!sqlite3_stmt_readonly(stmt.get()))
        Fail();

    TRecordSet result;
    const int count = sqlite3_column_count(stmt.get());
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(stmt.get(), i);
        result.Columns.emplace_back(name ? name : "");
    }
    // What the rows collected take: their texts and the strings and rows that hold them.
    std::size_t held = 0;
    std::vector<std::string_view> values(static_cast<std::size_t>(count));
    while (true) {
        const int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW)
            QueryFailed(rc, progressCalls);
        if (result.Rows.size() >= MaxQueryRows)
            QueryStopped("het resultaat heeft meer dan " + DutchCount(MaxQueryRows) + " rijen");
        held += sizeof(std::vector<std::string>) + values.size() * sizeof(std::string);
        for (int i = 0; i < count; ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), i));
            if (!text && sqlite3_column_type(stmt.get(), i) != SQLITE_NULL)
                QueryFailed(sqlite3_errcode(db), progressCalls); // no memory for the text
            values[static_cast<std::size_t>(i)] =
                text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt.get(), i))) : std::string_view();
            held += values[static_cast<std::size_t>(i)].size();
        }
        if (held > MaxQueryBytes)
            QueryStopped("het resultaat wordt groter dan " + SizeText(MaxQueryBytes));
        result.Rows.emplace_back(values.begin(), values.end());
    }
    return result;
}

} // namespace

struct TTextDataSource::TLoaded {
    std::vector<TTableFile> Tables;
    TDatabase Db;
};

TTextDataSource::TTextDataSource() = default;
TTextDataSource::~TTextDataSource() = default;

TRecordSet TTextDataSource::Run(const std::string& Connection, const std::string& Sql)
{
    std::vector<TTableFile> tables = NamedTables(DataFolder(Connection), Sql);
    if (!loaded_ || !Unchanged(loaded_->Tables, tables)) {
        loaded_.reset();
        TDatabase db = LoadTables(tables);
        loaded_ = std::make_unique<TLoaded>(TLoaded{std::move(tables), std::move(db)});
    }
    return Execute(loaded_->Db.get(), Sql);
}

TRecordSet RunTextQuery(const std::string& Connection, const std::string& Sql)
{
    TTextDataSource source;
    return source.Run(Connection, Sql);
}
