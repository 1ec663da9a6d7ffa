// The catalogue in an SQLite file.
#include "catalogue/catalogue_db.h"

#include <sqlite3.h>

#include <cstdlib>

namespace tdu::server {

namespace {

class sqlite_statement_t : public statement_backend_t {
public:
    explicit sqlite_statement_t(sqlite3_stmt* stmt) : stmt_(stmt) {}
    ~sqlite_statement_t() override { sqlite3_finalize(stmt_); }

    bool bind(int index, const std::string& value, bool is_integer) override
    {
        if (is_integer) return sqlite3_bind_int64(stmt_, index, std::strtoll(value.c_str(), nullptr, 10)) == SQLITE_OK;
        return sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT) ==
               SQLITE_OK;
    }

    int step() override
    {
        int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return 1;
        return rc == SQLITE_DONE ? 0 : -1;
    }

    void reset() override
    {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }

    std::int64_t integer(int column) const override { return sqlite3_column_int64(stmt_, column); }

    std::string text(int column) const override
    {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))) : std::string();
    }

private:
    sqlite3_stmt* stmt_;
};

class sqlite_backend_t : public db_backend_t {
public:
    explicit sqlite_backend_t(sqlite3* db) : db_(db) {}
    ~sqlite_backend_t() override { sqlite3_close_v2(db_); }

    bool exec(const std::string& sql, std::string& error) override
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
        error = message ? message : "SQLite error";
        sqlite3_free(message);
        return false;
    }

    std::string last_error() const override { return sqlite3_errmsg(db_); }
    bool in_transaction() const override { return sqlite3_get_autocommit(db_) == 0; }
    bool healthy() const override { return true; }

    std::unique_ptr<statement_backend_t> prepare(const char* sql) override
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) return nullptr;
        return std::make_unique<sqlite_statement_t>(stmt);
    }

private:
    sqlite3* db_;
};

} // namespace

std::unique_ptr<db_backend_t> open_sqlite_backend(const std::string& path, bool writable, std::string& error)
{
    int flags = writable ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
    // Each connection is used by one thread at a time.
    flags |= SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        error = "cannot open the catalogue " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 10000);
    // Map the file instead of reading it page by page.
    sqlite3_exec(db, "PRAGMA mmap_size = 1073741824", nullptr, nullptr, nullptr);
    return std::make_unique<sqlite_backend_t>(db);
}

} // namespace tdu::server
