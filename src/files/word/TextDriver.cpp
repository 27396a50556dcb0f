#include "TextDriver.h"

#include "AnsiText.h"
#include "AsciiCase.h"
#include "Exceptions.h"
#include "IniFile.h"
#include "RegistryStore.h"
#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
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

// A data file's bytes; only a regular file of at most MaxTextFileBytes (a FIFO is not waited for).
std::string ReadDataFile(const QString& path)
{
    try {
        return ReadRegularFile(QFile::encodeName(path).toStdString(), MaxTextFileBytes);
    } catch (const EInOutError&) {
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

// A data file that the statement names: its name, where its table stands, its bytes and format.
struct TTableFile {
    std::string Name, Schema, Table;
    std::string Bytes;
    TFileFormat Format;
    bool operator==(const TTableFile&) const = default;
};

TStatement Prepare(sqlite3* db, const std::string& sql, const char** tail = nullptr)
{
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, tail) != SQLITE_OK || !stmt) {
        sqlite3_finalize(stmt);
        Fail();
    }
    return TStatement(stmt);
}

void Exec(sqlite3* db, const std::string& sql)
{
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail();
}

// Calls line with the values of each line of Bytes that is not empty, as views into Bytes: split
// at Delimiter, a value in double quotes taken without them up to the quote before a delimiter or
// the line's end.  Stops after a line for which line returns false.
template <class F>
void ForEachDelimitedLine(const std::string& Bytes, char Delimiter, F line)
{
    std::vector<std::string_view> values; // kept from line to line
    const std::string_view bytes(Bytes);
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
        if (!line(values))
            return;
        start = next;
    }
}

// At most this many rows, and values, in one statement that loads a table.
constexpr std::size_t RowsPerInsert = 64;
constexpr std::size_t MaxInsertValues = 999;

void LoadTable(sqlite3* db, const std::string& schemaName, const std::string& tableName, const std::string& bytes,
               const TFileFormat& format)
{
    // The columns: the header's names (its line is all that is read for them), or as many as the
    // widest line holds.
    std::vector<std::string> columns;
    bool header = format.ColNameHeader;
    std::size_t width = 0;
    ForEachDelimitedLine(bytes, format.Delimiter, [&](const std::vector<std::string_view>& values) {
        if (header)
            columns.assign(values.begin(), values.end());
        width = std::max(width, values.size());
        return !header;
    });
    columns.resize(std::max(columns.size(), format.ColNameHeader ? std::size_t(1) : width));
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].empty())
            columns[i] = "F" + std::to_string(i + 1);

    std::string create = "CREATE TABLE " + Quoted(schemaName) + "." + Quoted(tableName) + " (";
    const std::string insert = "INSERT INTO " + Quoted(schemaName) + "." + Quoted(tableName) + " VALUES ";
    for (std::size_t i = 0; i < columns.size(); ++i)
        create += (i ? ", " : "") + Quoted(columns[i]) + " TEXT";
    Exec(db, create + ")");
    // Lines go in by statements of many rows at once, the rest one by one; the values are bound
    // where they stand in the bytes, a short line's missing ones as nulls.
    const std::size_t values = columns.size();
    const std::size_t batch = std::max<std::size_t>(1, std::min<std::size_t>(RowsPerInsert, MaxInsertValues / values));
    std::string row = "(?";
    for (std::size_t i = 1; i < values; ++i)
        row += ", ?";
    row += ')';
    std::string rows = row;
    for (std::size_t r = 1; r < batch; ++r)
        rows += ", " + row;
    const TStatement many = Prepare(db, insert + rows);
    const TStatement one = Prepare(db, insert + row);
    std::vector<std::string_view> pending; // width values a line, null data for a missing one
    pending.reserve(batch * values);
    const auto run = [&](sqlite3_stmt* stmt, std::size_t from, std::size_t count) {
        sqlite3_reset(stmt);
        for (std::size_t i = 0; i < count; ++i) {
            const std::string_view v = pending[from + i];
            if (v.data())
                sqlite3_bind_text(stmt, static_cast<int>(i + 1), v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
            else
                sqlite3_bind_null(stmt, static_cast<int>(i + 1));
        }
        if (sqlite3_step(stmt) != SQLITE_DONE)
            Fail();
    };
    ForEachDelimitedLine(bytes, format.Delimiter, [&](const std::vector<std::string_view>& line) {
        if (header) {
            header = false;
            return true;
        }
        for (std::size_t i = 0; i < values; ++i)
            pending.push_back(i < line.size() ? line[i] : std::string_view());
        if (pending.size() == batch * values) {
            run(many.get(), 0, pending.size());
            pending.clear();
        }
        return true;
    });
    for (std::size_t from = 0; from < pending.size(); from += values)
        run(one.get(), from, values);
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
    ForEachDelimitedLine(Bytes, Delimiter, [&](const std::vector<std::string_view>& values) {
        lines.emplace_back(values.begin(), values.end());
        return true;
    });
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

// The files of the folder that the statement names, read, with their formats.
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
        table.Bytes = ReadDataFile(path);
        table.Format = FormatOf(schema, name);
    }
    return tables;
}

// A new in-memory database holding the tables, each in a database attached under its base name
// and as a view named by its file name; afterwards statements may only read.
TDatabase LoadTables(const std::vector<TTableFile>& tables)
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
    for (const TTableFile& t : tables) {
        LoadTable(db.get(), t.Schema, t.Table, t.Bytes, t.Format);
        Exec(db.get(), "CREATE TEMP VIEW " + Quoted(t.Name) + " AS SELECT * FROM " + Quoted(t.Schema) + "." + Quoted(t.Table));
    }
    Exec(db.get(), "COMMIT");

    sqlite3_set_authorizer(db.get(), ReadOnlyAuthorizer, nullptr);
    return db;
}

// Stops the statement once it has run MaxQuerySteps virtual machine steps (counted in blocks).
constexpr int StepsPerCall = 1000;

int StopEndlessQuery(void* calls)
{
    return ++*static_cast<long long*>(calls) > MaxQuerySteps / StepsPerCall ? 1 : 0;
}

TRecordSet Execute(sqlite3* db, const std::string& Sql)
{
    const char* tail = nullptr;
    const TStatement stmt = Prepare(db, Sql, &tail);
    for (; tail && *tail; ++tail)
        if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';')
            Fail();
    if (!sqlite3_stmt_readonly(stmt.get()))
        Fail();

    long long progressCalls = 0;
    sqlite3_progress_handler(db, StepsPerCall, StopEndlessQuery, &progressCalls);
    struct TDisarm {
        sqlite3* db;
        ~TDisarm() { sqlite3_progress_handler(db, 0, nullptr, nullptr); }
    } disarm{db};

    TRecordSet result;
    const int count = sqlite3_column_count(stmt.get());
    for (int i = 0; i < count; ++i) {
        const char* name = sqlite3_column_name(stmt.get(), i);
        result.Columns.emplace_back(name ? name : "");
    }
    while (true) {
        const int rc = sqlite3_step(stmt.get());
        if (rc == SQLITE_DONE)
            break;
        if (rc != SQLITE_ROW || result.Rows.size() >= MaxQueryRows)
            Fail();
        std::vector<std::string> row;
        row.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), i));
            row.emplace_back(text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt.get(), i)))
                                  : std::string());
        }
        result.Rows.push_back(std::move(row));
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
    if (!loaded_ || loaded_->Tables != tables) {
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
