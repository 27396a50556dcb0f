#pragma once
// The database connection of the shared data module, on SQLite.  Closed until a caller opens it.
// Statements take named parameters (":name"); a date-time is passed as its TDateTime number
// (days since 30 December 1899) and stored as such.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;

using TSqlValue = std::variant<std::monostate, std::int64_t, double, std::string>; // NULL, integer, real, text
using TSqlRow = std::vector<TSqlValue>;

struct TSqlParam {
    std::string Name; // without the colon
    TSqlValue Value;
};

class TDatabase {
public:
    TDatabase() = default;
    ~TDatabase();
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;

    // Opens (and makes, when missing) the database file; ":memory:" gives a private one.
    void Open(const std::string& fileName);
    void Close();
    bool Connected() const { return db_ != nullptr; }

    bool InTransaction() const;
    void StartTransaction();
    void Commit();
    void Rollback();

    // Runs one statement; the number of rows it changed.
    int ExecSQL(const std::string& sql, const std::vector<TSqlParam>& params = {});
    // Runs one query; its rows.
    std::vector<TSqlRow> Query(const std::string& sql, const std::vector<TSqlParam>& params = {});

private:
    sqlite3* Handle() const; // throws when not connected
    sqlite3* db_ = nullptr;
};

// The process-wide connection.
TDatabase& SharedDatabase();
