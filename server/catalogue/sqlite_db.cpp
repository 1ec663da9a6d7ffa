#include "catalogue/sqlite_db.h"

#include <sqlite3.h>

namespace tdu::server {

sqlite_db_t::~sqlite_db_t()
{
    if (db_) sqlite3_close_v2(db_);
}

bool sqlite_db_t::open(const std::string& path, bool writable, std::string& error)
{
    int flags = writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
    // Each connection is used by one thread at a time.
    flags |= SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        error = "cannot open the catalogue " + path + ": " + last_error();
        return false;
    }
    sqlite3_busy_timeout(db_, 10000);
    return true;
}

bool sqlite_db_t::exec(const std::string& sql, std::string& error)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
    error = message ? message : "SQLite error";
    sqlite3_free(message);
    return false;
}

bool sqlite_db_t::in_transaction() const
{
    return db_ && sqlite3_get_autocommit(db_) == 0;
}

std::string sqlite_db_t::last_error() const
{
    return db_ ? sqlite3_errmsg(db_) : "out of memory";
}

statement_t::statement_t(const sqlite_db_t& db, const char* sql)
{
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        stmt_ = nullptr;
        failed_ = true;
    }
}

statement_t::~statement_t()
{
    if (stmt_) sqlite3_finalize(stmt_);
}

statement_t& statement_t::bind(int index, std::int64_t value)
{
    if (stmt_ && sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) failed_ = true;
    return *this;
}

statement_t& statement_t::bind(int index, const std::string& value)
{
    if (stmt_ &&
        sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT) != SQLITE_OK)
        failed_ = true;
    return *this;
}

bool statement_t::step()
{
    if (!stmt_ || failed_) return false;
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc != SQLITE_DONE) failed_ = true;
    return false;
}

bool statement_t::run()
{
    step();
    bool ok = !failed_;
    reset();
    return ok;
}

void statement_t::reset()
{
    if (!stmt_) return;
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    failed_ = false;
}

std::int64_t statement_t::integer(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

std::string statement_t::text(int column) const
{
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
}

} // namespace tdu::server
