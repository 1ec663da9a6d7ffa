// The catalogue in PostgreSQL, over libpq. Parameters and results travel
// as text. A statement runs as an unnamed one the first time and is
// prepared on the server when it runs again, so the statements a
// connection keeps (the ID look-up) are planned once, and those made for a
// single query cost no extra round trips.
#include "catalogue/catalogue_db.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <vector>

namespace tdu::server {

namespace {

// "?" marks to "$1", "$2", ...; quoted literals are left alone.
std::string numbered_parameters(const char* sql, int& count)
{
    std::string out;
    bool quoted = false;
    count = 0;
    for (const char* p = sql; *p; ++p) {
        if (*p == '\'') quoted = !quoted;
        if (*p == '?' && !quoted) {
            out += "$" + std::to_string(++count);
        } else {
            out += *p;
        }
    }
    return out;
}

class postgres_statement_t : public statement_backend_t {
public:
    postgres_statement_t(PGconn* conn, std::string sql, int parameters, int serial)
        : conn_(conn), sql_(std::move(sql)), values_(static_cast<size_t>(parameters)),
          set_(static_cast<size_t>(parameters), false), name_("tdu_" + std::to_string(serial))
    {
    }
    ~postgres_statement_t() override
    {
        clear();
        if (prepared_ && PQstatus(conn_) == CONNECTION_OK) PQclear(PQexec(conn_, ("DEALLOCATE " + name_).c_str()));
    }

    bool bind(int index, const std::string& value, bool) override
    {
        if (index < 1 || static_cast<size_t>(index) > values_.size()) return false;
        values_[static_cast<size_t>(index - 1)] = value;
        set_[static_cast<size_t>(index - 1)] = true;
        return true;
    }

    int step() override
    {
        if (!result_ && !execute()) return -1;
        if (row_ + 1 >= PQntuples(result_)) {
            row_ = PQntuples(result_);
            return 0;
        }
        ++row_;
        return 1;
    }

    void reset() override
    {
        clear();
        for (size_t i = 0; i < values_.size(); ++i) set_[i] = false;
    }

    std::int64_t integer(int column) const override
    {
        return std::strtoll(PQgetvalue(result_, row_, column), nullptr, 10);
    }

    std::string text(int column) const override
    {
        return std::string(PQgetvalue(result_, row_, column), static_cast<size_t>(PQgetlength(result_, row_, column)));
    }

private:
    bool execute()
    {
        std::vector<const char*> params(values_.size());
        for (size_t i = 0; i < values_.size(); ++i) params[i] = set_[i] ? values_[i].c_str() : nullptr;
        int n = static_cast<int>(params.size());
        if (runs_++ == 1 && !prepared_) {
            PGresult* p = PQprepare(conn_, name_.c_str(), sql_.c_str(), n, nullptr);
            prepared_ = PQresultStatus(p) == PGRES_COMMAND_OK;
            PQclear(p);
        }
        result_ = prepared_ ? PQexecPrepared(conn_, name_.c_str(), n, params.data(), nullptr, nullptr, 0)
                            : PQexecParams(conn_, sql_.c_str(), n, nullptr, params.data(), nullptr, nullptr, 0);
        row_ = -1;
        ExecStatusType status = PQresultStatus(result_);
        return status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK;
    }

    void clear()
    {
        if (result_) PQclear(result_);
        result_ = nullptr;
        row_ = -1;
    }

    PGconn* conn_;
    std::string sql_;
    std::vector<std::string> values_;
    std::vector<bool> set_;
    std::string name_;
    PGresult* result_ = nullptr;
    int row_ = -1;
    int runs_ = 0;
    bool prepared_ = false;
};

class postgres_backend_t : public db_backend_t {
public:
    explicit postgres_backend_t(PGconn* conn) : conn_(conn) {}
    ~postgres_backend_t() override { PQfinish(conn_); }

    bool exec(const std::string& sql, std::string& error) override
    {
        PGresult* r = PQexec(conn_, sql.c_str());
        ExecStatusType status = PQresultStatus(r);
        bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!ok) error = PQresultErrorMessage(r);
        PQclear(r);
        return ok;
    }

    std::string last_error() const override
    {
        std::string message = PQerrorMessage(conn_);
        while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
        return message;
    }

    bool in_transaction() const override { return PQtransactionStatus(conn_) != PQTRANS_IDLE; }
    bool healthy() const override { return PQstatus(conn_) == CONNECTION_OK; }

    std::unique_ptr<statement_backend_t> prepare(const char* sql) override
    {
        int count = 0;
        std::string numbered = numbered_parameters(sql, count);
        return std::make_unique<postgres_statement_t>(conn_, std::move(numbered), count, ++serial_);
    }

private:
    PGconn* conn_;
    int serial_ = 0;
};

} // namespace

std::unique_ptr<db_backend_t> open_postgres_backend(const std::string& connect, std::string& error)
{
    PGconn* conn = PQconnectdb(connect.c_str());
    if (PQstatus(conn) != CONNECTION_OK) {
        error = "cannot connect to the catalogue: " + std::string(PQerrorMessage(conn));
        while (!error.empty() && error.back() == '\n') error.pop_back();
        PQfinish(conn);
        return nullptr;
    }
    // Quiet about "already exists" and the like when the schema is created.
    PQclear(PQexec(conn, "SET client_min_messages = warning"));
    return std::make_unique<postgres_backend_t>(conn);
}

} // namespace tdu::server
