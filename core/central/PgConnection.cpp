#include "core/central/PgConnection.h"

#include <charconv>
#include <libpq-fe.h>

PgResult::PgResult(pg_result* result) : result_(result) {}

void PgResult::Clear::operator()(pg_result* result) const {
    PQclear(result);
}

int PgResult::rows() const {
    return result_ ? PQntuples(result_.get()) : 0;
}

bool PgResult::isNull(int row, int column) const {
    return PQgetisnull(result_.get(), row, column) != 0;
}

std::string_view PgResult::value(int row, int column) const {
    return {PQgetvalue(result_.get(), row, column),
            static_cast<std::size_t>(PQgetlength(result_.get(), row, column))};
}

long long PgResult::number(int row, int column) const {
    const std::string_view text = value(row, column);
    long long result = 0;
    std::from_chars(text.data(), text.data() + text.size(), result);
    return result;
}

int PgResult::affected() const {
    const char* text = result_ ? PQcmdTuples(result_.get()) : "";
    int result = 0;
    std::from_chars(text, text + std::char_traits<char>::length(text), result);
    return result;
}

PgConnection::~PgConnection() {
    if (connection_)
        PQfinish(connection_);
}

bool PgConnection::Connect(const std::string& conninfo) {
    if (connection_)
        PQfinish(connection_);
    // A store that vanishes mid-statement (a pulled cable, a sleeping router) must end in an error within
    // seconds, not after the system's TCP timeouts of many minutes: keepalives while a result is awaited,
    // a bound on unacknowledged sends. They come before the caller's string, which may set them otherwise.
    const char* const keywords[] = {"keepalives",
                                    "keepalives_idle",
                                    "keepalives_interval",
                                    "keepalives_count",
                                    "tcp_user_timeout",
                                    "dbname",
                                    nullptr};
    const char* const values[] = {"1", "10", "5", "3", "30000", conninfo.c_str(), nullptr};
    connection_ = PQconnectdbParams(keywords, values, 1);
    if (connection_ && PQstatus(connection_) == CONNECTION_OK) {
        // Owner texts travel as UTF-8 whatever the server's default is.
        PQsetClientEncoding(connection_, "UTF8");
        return true;
    }
    lastError_ = connection_ ? PQerrorMessage(connection_) : "out of memory";
    while (!lastError_.empty() && (lastError_.back() == '\n' || lastError_.back() == ' '))
        lastError_.pop_back();
    return false;
}

std::string PgConnection::option(const std::string& keyword) const {
    if (!connection_)
        return {};
    std::string value;
    PQconninfoOption* options = PQconninfo(connection_);
    for (PQconninfoOption* option = options; option && option->keyword; ++option)
        if (keyword == option->keyword && option->val)
            value = option->val;
    PQconninfoFree(options);
    return value;
}

bool PgConnection::connected() const {
    return connection_ && PQstatus(connection_) == CONNECTION_OK;
}

bool PgConnection::takeResult(pg_result* result, std::optional<PgResult>& into) {
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        into.emplace(result);
        return true;
    }
    lastError_ = result ? PQresultErrorMessage(result) : PQerrorMessage(connection_);
    if (lastError_.empty())
        lastError_ = PQerrorMessage(connection_);
    while (!lastError_.empty() && (lastError_.back() == '\n' || lastError_.back() == ' '))
        lastError_.pop_back();
    PQclear(result);
    return false;
}

std::optional<PgResult> PgConnection::Exec(const std::string& sql, const std::vector<Param>& params,
                                           bool binaryResult) {
    std::optional<PgResult> result;
    if (!connection_) {
        lastError_ = "not connected";
        return result;
    }
    std::vector<const char*> values;
    std::vector<int> lengths;
    std::vector<int> formats;
    for (const Param& param : params) {
        values.push_back(param.null ? nullptr : param.value.data());
        lengths.push_back(static_cast<int>(param.value.size()));
        formats.push_back(param.binary ? 1 : 0);
    }
    takeResult(PQexecParams(connection_, sql.c_str(), static_cast<int>(params.size()), nullptr, values.data(),
                            lengths.data(), formats.data(), binaryResult ? 1 : 0),
               result);
    return result;
}

bool PgConnection::Run(const std::string& sql) {
    std::optional<PgResult> result;
    if (!connection_) {
        lastError_ = "not connected";
        return false;
    }
    return takeResult(PQexec(connection_, sql.c_str()), result);
}
