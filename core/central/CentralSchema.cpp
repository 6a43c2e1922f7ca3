#include "core/central/CentralSchema.h"

#include "core/central/PgConnection.h"

namespace {

// Serial numbers are unsigned 32-bit, hence bigint; a record time is its YYYYMMDDhhmmss digits as a number,
// which also holds the times a machine's clock may give that no timestamp column would take.
const char* const kCreateVersion1 = R"(
CREATE TABLE machines (
    serial bigint PRIMARY KEY,
    type_code smallint NOT NULL,
    year smallint NOT NULL,
    machine_number integer NOT NULL,
    factory_flag smallint NOT NULL,
    name text NOT NULL,
    first_name text NOT NULL,
    address text NOT NULL,
    owner_version integer NOT NULL DEFAULT 1,
    updated_at timestamptz NOT NULL DEFAULT now(),
    updated_by text NOT NULL
);
CREATE TABLE records (
    serial bigint NOT NULL REFERENCES machines,
    time bigint NOT NULL,
    block bytea NOT NULL,
    comment text NOT NULL,
    filed_at timestamptz NOT NULL DEFAULT now(),
    filed_by text NOT NULL,
    PRIMARY KEY (serial, time)
);
-- Tells one store from another, so that what a folder agreed with one is not taken for another's.
CREATE TABLE store_identity AS SELECT gen_random_uuid()::text AS id;
INSERT INTO schema_version (version) VALUES (1);
)";

// Record comments can be edited after filing: each carries a version, as owner data do.
const char* const kMigrateTo2 = R"(
ALTER TABLE records ADD COLUMN comment_version integer NOT NULL DEFAULT 1;
INSERT INTO schema_version (version) VALUES (2);
)";

const char* const kMigrations[] = {kCreateVersion1, kMigrateTo2}; // [v]: from version v to v + 1

} // namespace

bool CentralSchema::Prepare(PgConnection& connection) {
    found_ = 0;
    auto fail = [&](const std::string& what) {
        error_ = what + ": " + connection.lastError();
        connection.Run("ROLLBACK");
        return false;
    };
    auto readVersion = [&]() -> bool {
        auto version = connection.Exec("SELECT coalesce(max(version), 0) FROM schema_version");
        if (!version)
            return false;
        found_ = static_cast<int>(version->number(0, 0));
        return true;
    };
    // A workshop role may not create tables: a store that has its schema is only read.
    auto exists = connection.Exec("SELECT to_regclass('schema_version') IS NOT NULL");
    if (!exists)
        return fail("The central store cannot be read");
    if (exists->value(0, 0) == "t" && !readVersion())
        return fail("The central store's schema version cannot be read");
    auto newer = [&] {
        error_ = "The central store has schema version " + std::to_string(found_) +
                 "; this program knows up to version " + std::to_string(kVersion) +
                 ": install the newer program to use this store";
        return false;
    };
    if (found_ > kVersion)
        return newer();
    if (found_ < kVersion) {
        // Two programs preparing the store at once: the lock makes the second wait, then find the tables
        // as the first left them. A workshop role may not change tables: the owner's role must do it once.
        if (!connection.Run("BEGIN; CREATE TABLE IF NOT EXISTS schema_version (version integer NOT NULL); "
                            "LOCK TABLE schema_version IN EXCLUSIVE MODE"))
            return fail("The central store cannot be prepared");
        if (!readVersion())
            return fail("The central store's schema version cannot be read");
        if (found_ > kVersion) {
            connection.Run("ROLLBACK");
            return newer();
        }
        for (int version = found_; version < kVersion; ++version)
            if (!connection.Run(kMigrations[version]))
                return fail(version == 0 ? std::string("The central store's tables cannot be created")
                                         : "The central store cannot be brought to schema version " +
                                               std::to_string(version + 1));
        if (!connection.Run("COMMIT"))
            return fail("The central store cannot be prepared");
    }
    return true;
}
