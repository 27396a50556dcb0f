#include "Database.h"

#include "Exceptions.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void Fail(sqlite3* db, const std::string& what)
{
    throw Exception(what + ": " + (db ? sqlite3_errmsg(db) : "onvoldoende geheugen"));
}

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql, const std::vector<TSqlParam>& params) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK)
            Fail(db, "SQL-fout");
        if (!stmt_)
            throw Exception("SQL-fout: lege opdracht");
        try {
            for (const TSqlParam& p : params) {
                const int index = sqlite3_bind_parameter_index(stmt_, (":" + p.Name).c_str());
                if (index == 0)
                    throw Exception("Parameter '" + p.Name + "' niet gevonden");
                Bind(index, p.Value);
            }
        } catch (...) {
            sqlite3_finalize(stmt_);
            throw;
        }
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // True while a row is there.
    bool Step()
    {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            Fail(db_, "SQL-fout");
        return false;
    }

    TSqlRow Row() const
    {
        TSqlRow row;
        for (int i = 0, n = sqlite3_column_count(stmt_); i < n; ++i) {
            switch (sqlite3_column_type(stmt_, i)) {
            case SQLITE_NULL:
                row.emplace_back(std::monostate{});
                break;
            case SQLITE_INTEGER:
                row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(stmt_, i)));
                break;
            case SQLITE_FLOAT:
                row.emplace_back(sqlite3_column_double(stmt_, i));
                break;
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_blob(stmt_, i));
                row.emplace_back(std::string(text ? text : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt_, i))));
            }
            }
        }
        return row;
    }

private:
    void Bind(int index, const TSqlValue& value)
    {
        int rc = SQLITE_OK;
        if (const auto* i = std::get_if<std::int64_t>(&value))
            rc = sqlite3_bind_int64(stmt_, index, *i);
        else if (const auto* d = std::get_if<double>(&value))
            rc = sqlite3_bind_double(stmt_, index, *d);
        else if (const auto* s = std::get_if<std::string>(&value))
            rc = sqlite3_bind_text(stmt_, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        else
            rc = sqlite3_bind_null(stmt_, index);
        if (rc != SQLITE_OK)
            Fail(db_, "SQL-fout");
    }

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace

TDatabase::~TDatabase() { Close(); }

void TDatabase::Open(const std::string& fileName)
{
    Close();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(fileName.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : "onvoldoende geheugen";
        sqlite3_close(db);
        throw Exception("Kan de database " + fileName + " niet openen: " + message);
    }
    db_ = db;
}

void TDatabase::Close()
{
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

sqlite3* TDatabase::Handle() const
{
    if (!db_)
        throw Exception("De database is niet verbonden");
    return db_;
}

bool TDatabase::InTransaction() const { return db_ && sqlite3_get_autocommit(db_) == 0; }

void TDatabase::StartTransaction() { ExecSQL("begin transaction"); }
void TDatabase::Commit() { ExecSQL("commit"); }
void TDatabase::Rollback() { ExecSQL("rollback"); }

int TDatabase::ExecSQL(const std::string& sql, const std::vector<TSqlParam>& params)
{
    sqlite3* db = Handle();
    Statement statement(db, sql, params);
    while (statement.Step()) {
    }
    return sqlite3_changes(db);
}

std::vector<TSqlRow> TDatabase::Query(const std::string& sql, const std::vector<TSqlParam>& params)
{
    Statement statement(Handle(), sql, params);
    std::vector<TSqlRow> rows;
    while (statement.Step())
        rows.push_back(statement.Row());
    return rows;
}

TDatabase& SharedDatabase()
{
    static TDatabase database;
    return database;
}
