#pragma once
// A connection to the catalogue and its statements, over SQLite (a file) or
// PostgreSQL (a connect string "postgresql://..." or "postgres://..."). The
// SQL is the same for both: '?' marks the parameters, in order.
#include <cstdint>
#include <memory>
#include <string>

namespace tdu::server {

// What a back end provides; catalogue_db_t and statement_t are its users.
class statement_backend_t {
public:
    virtual ~statement_backend_t() = default;
    virtual bool bind(int index, const std::string& value, bool is_integer) = 0;
    // 1: a row is there; 0: no more rows; -1: an error.
    virtual int step() = 0;
    virtual void reset() = 0;
    virtual std::int64_t integer(int column) const = 0;
    virtual std::string text(int column) const = 0;
};

class db_backend_t {
public:
    virtual ~db_backend_t() = default;
    virtual bool exec(const std::string& sql, std::string& error) = 0;
    virtual std::string last_error() const = 0;
    virtual bool in_transaction() const = 0;
    virtual bool healthy() const = 0;
    // Null when the statement cannot be prepared.
    virtual std::unique_ptr<statement_backend_t> prepare(const char* sql) = 0;
};

std::unique_ptr<db_backend_t> open_sqlite_backend(const std::string& path, bool writable, std::string& error);
std::unique_ptr<db_backend_t> open_postgres_backend(const std::string& connect, std::string& error);

// True for a connect string of PostgreSQL.
bool is_postgres_catalogue(const std::string& catalogue);

class catalogue_db_t {
public:
    // Opens the catalogue: a PostgreSQL connect string, or an SQLite file
    // (created with `writable` when missing).
    bool open(const std::string& catalogue, bool writable, std::string& error);
    bool exec(const std::string& sql, std::string& error);
    // A read transaction in which every statement sees the same catalogue.
    bool begin_snapshot(std::string& error);
    std::string last_error() const;
    // True inside a transaction this connection began.
    bool in_transaction() const;
    // False once the connection is lost (PostgreSQL).
    bool healthy() const;
    bool is_postgres() const { return postgres_; }
    db_backend_t* backend() const { return backend_.get(); }

private:
    std::unique_ptr<db_backend_t> backend_;
    bool postgres_ = false;
};

class statement_t {
public:
    statement_t(const catalogue_db_t& db, const char* sql);
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
    std::unique_ptr<statement_backend_t> stmt_;
    bool failed_ = false;
};

} // namespace tdu::server
