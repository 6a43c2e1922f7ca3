// orvane-sync --db DIR --store CONNINFO [--workshop NAME]: one synchronisation of the folder with the central
// store. Exit 0 when done, 1 when the store or the folder failed (what was done stays done; the next run
// picks up the rest), 2 on a wrong command line, 3 when owner data differ and wait for a dealer's choice in
// the program.
#include "core/base/ToolOptions.h"
#include "core/central/CentralSchema.h"
#include "core/central/CentralSync.h"
#include "core/central/PgConnection.h"
#include "core/database/DatabaseLock.h"
#include "core/database/MachineDatabase.h"
#include "core/i18n/Cp1252.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

int usage() {
    std::fputs("usage: orvane-sync --db DIR --store CONNINFO [--workshop NAME]\n", stderr);
    return 2;
}

constexpr const char* kHelp =
    "usage: orvane-sync --db DIR --store CONNINFO [--workshop NAME]\n"
    "Synchronises a database folder with the central store once: sends the records the store lacks, takes "
    "in those the folder lacks. CONNINFO is a libpq connection string or URI; passwords belong in "
    "~/.pgpass.\n";

void print(const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        std::printf("%s\n", cp1252::toUtf8(line).c_str());
}

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = ToolOptions::Answer(argc, argv, "orvane-sync", kHelp, std::cout))
        return *answered;
    std::string directory, store, workshop;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            return usage();
        if (option == "--db")
            directory = argv[++i];
        else if (option == "--store")
            store = argv[++i];
        else if (option == "--workshop")
            workshop = argv[++i];
        else
            return usage();
    }
    if (directory.empty() || store.empty())
        return usage();
    if (workshop.empty()) {
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        workshop = host;
    }

    // The program and this tool never write one folder at once.
    DatabaseLock lock;
    if (lock.Acquire(directory) != DatabaseLock::State::Held) {
        std::fprintf(stderr, "The database folder %s is in use%s%s\n", directory.c_str(),
                     lock.holder().empty() ? "" : " by process ", lock.holder().c_str());
        return 1;
    }
    MachineDatabase database;
    print(database.Load(directory).log);

    PgConnection connection;
    if (!connection.Connect(store)) {
        std::fprintf(stderr, "Central store unreachable: %s\n", connection.lastError().c_str());
        return 1;
    }
    CentralSchema schema;
    if (!schema.Prepare(connection)) {
        std::fprintf(stderr, "%s\n", schema.error().c_str());
        return 1;
    }
    const CentralSync::Report report = CentralSync(database, connection, workshop).Run();
    print(report.log);
    std::printf("%zu records sent, %zu received, %zu new machines, owner data %zu sent and %zu received, "
                "comments %zu sent and %zu received\n",
                report.pushedRecords, report.pulledRecords, report.newMachines, report.ownerPushed,
                report.ownerPulled, report.commentsPushed, report.commentsPulled);
    if (!report.ok) {
        std::fprintf(stderr, "%s\n", report.error.c_str());
        return 1;
    }
    for (const CentralSync::Conflict& conflict : report.conflicts) {
        if (conflict.record != 0)
            std::printf("Machine %08X, record %lld: the comment differs here (%s) and in the store (%s): "
                        "choose in the program\n",
                        conflict.serial, static_cast<long long>(conflict.record),
                        cp1252::toUtf8(conflict.localComment).c_str(),
                        cp1252::toUtf8(conflict.storeComment).c_str());
        else
            std::printf(
                "Machine %08X: owner data differ here (%s) and in the store (%s): choose in the program\n",
                conflict.serial, cp1252::toUtf8(conflict.local.name).c_str(),
                cp1252::toUtf8(conflict.store.name).c_str());
    }
    return report.conflicts.empty() ? 0 : 3;
}
