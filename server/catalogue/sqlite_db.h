#pragma once
// A thin owner of an SQLite connection and its prepared statements.
#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace tdu::server {

class sqlite_db_t {
public:
    sqlite_db_t() = default;
    ~sqlite_db_t();
    sqlite_db_t(const sqlite_db_t&) = delete;
    sqlite_db_t& operator=(const sqlite_db_t&) = delete;

    // Opens (and with `writable` creates) the database file.
    bool open(const std::string& path, bool writable, std::string& error);
    bool exec(const std::string& sql, std::string& error);
    sqlite3* handle() const { return db_; }
    // True inside a transaction this connection began.
    bool in_transaction() const;
    std::string last_error() const;

private:
    sqlite3* db_ = nullptr;
};

class statement_t {
public:
    statement_t(const sqlite_db_t& db, const char* sql);
    ~statement_t();
    statement_t(const statement_t&) = delete;
    statement_t& operator=(const statement_t&) = delete;

    bool valid() const { return stmt_ != nullptr; }
    // Binds are 1-based, in the order of the '?' marks.
    statement_t& bind(int index, std::int64_t value);
    statement_t& bind(int index, const std::string& value);
    // True while a row is available; false at the end or on an error.
    bool step();
    // Runs a statement that returns no rows; false on an error.
    bool run();
    void reset();
    std::int64_t integer(int column) const;
    std::string text(int column) const;
    bool failed() const { return failed_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
    bool failed_ = false;
};

} // namespace tdu::server
