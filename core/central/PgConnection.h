#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

// One result of a statement; rows and values as the server sent them (text, or binary where asked).
class PgResult {
public:
    PgResult() = default;
    explicit PgResult(pg_result* result);
    int rows() const;
    bool isNull(int row, int column) const;
    std::string_view value(int row, int column) const;
    long long number(int row, int column) const; // a text-format integer column
    int affected() const;                        // rows an INSERT or UPDATE touched

private:
    struct Clear {
        void operator()(pg_result* result) const;
    };
    std::unique_ptr<pg_result, Clear> result_;
};

// A connection to the central store through libpq. Every statement carries its parameters apart from the
// SQL (no quoting of our own); a failure leaves lastError() with the server's or libpq's reason.
class PgConnection {
public:
    struct Param {
        std::string value;
        bool binary = false; // bytea sent as its raw bytes
        bool null = false;
    };

    PgConnection() = default;
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // A libpq connection string or URI; passwords come from ~/.pgpass or PGPASSFILE, TLS as sslmode says.
    bool Connect(const std::string& conninfo);
    bool connected() const;
    // The value of a connection option in effect ("keepalives_idle"); empty when unset or not connected.
    std::string option(const std::string& keyword) const;
    // Runs one statement; binaryResult asks for every column in binary (bytea as raw bytes). nullopt on
    // failure, with lastError().
    std::optional<PgResult> Exec(const std::string& sql, const std::vector<Param>& params = {},
                                 bool binaryResult = false);
    // Several statements without parameters (schema, BEGIN/COMMIT).
    bool Run(const std::string& sql);
    const std::string& lastError() const { return lastError_; }

private:
    bool takeResult(pg_result* result, std::optional<PgResult>& into);

    pg_conn* connection_ = nullptr;
    std::string lastError_;
};
