#include "catalogue/catalogue_db.h"

namespace tdu::server {

bool is_postgres_catalogue(const std::string& catalogue)
{
    return catalogue.rfind("postgresql://", 0) == 0 || catalogue.rfind("postgres://", 0) == 0;
}

bool catalogue_db_t::open(const std::string& catalogue, bool writable, std::string& error)
{
    postgres_ = is_postgres_catalogue(catalogue);
    backend_ = postgres_ ? open_postgres_backend(catalogue, error) : open_sqlite_backend(catalogue, writable, error);
    return backend_ != nullptr;
}

bool catalogue_db_t::exec(const std::string& sql, std::string& error)
{
    if (!backend_) {
        error = "the catalogue is not open";
        return false;
    }
    return backend_->exec(sql, error);
}

bool catalogue_db_t::begin_snapshot(std::string& error)
{
    // SQLite's read transaction is a snapshot already; PostgreSQL's default
    // isolation would let each statement see the latest commit.
    return exec(postgres_ ? "BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY" : "BEGIN", error);
}

std::string catalogue_db_t::last_error() const
{
    return backend_ ? backend_->last_error() : "the catalogue is not open";
}

bool catalogue_db_t::in_transaction() const
{
    return backend_ && backend_->in_transaction();
}

bool catalogue_db_t::healthy() const
{
    return backend_ && backend_->healthy();
}

statement_t::statement_t(const catalogue_db_t& db, const char* sql)
{
    if (db.backend()) stmt_ = db.backend()->prepare(sql);
    failed_ = stmt_ == nullptr;
}

statement_t& statement_t::bind(int index, std::int64_t value)
{
    if (stmt_ && !stmt_->bind(index, std::to_string(value), true)) failed_ = true;
    return *this;
}

statement_t& statement_t::bind(int index, const std::string& value)
{
    if (stmt_ && !stmt_->bind(index, value, false)) failed_ = true;
    return *this;
}

bool statement_t::step()
{
    if (!stmt_ || failed_) return false;
    int rc = stmt_->step();
    if (rc < 0) failed_ = true;
    return rc > 0;
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
    stmt_->reset();
    failed_ = false;
}

std::int64_t statement_t::integer(int column) const
{
    return stmt_ ? stmt_->integer(column) : 0;
}

std::string statement_t::text(int column) const
{
    return stmt_ ? stmt_->text(column) : std::string();
}

} // namespace tdu::server
