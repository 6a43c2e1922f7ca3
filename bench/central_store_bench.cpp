// The central store on a throwaway local cluster: the first push of a whole database into an empty store
// against PostgreSQL's own COPY loading the same rows, and a synchronisation with nothing new.
//
//   central_store_bench [machines]     (default: 10000; 5 records each)

#include "core/central/CentralSchema.h"
#include "core/central/CentralSync.h"
#include "core/central/PgConnection.h"
#include "core/database/DBMowerFile.h"
#include "core/database/FXUCheckDir.h"
#include "core/database/MachineDatabase.h"
#include "core/i18n/Cp1252.h"
#include "support/PgCluster.h"
#include "tools/gen/HistoryGenerator.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <libpq-fe.h>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void makeDatabase(const fs::path& dir, int machines) {
    fs::create_directories(dir);
    HistoryGenerator generator(static_cast<std::uint32_t>(machines));
    std::string check;
    std::set<std::uint32_t> serials;
    while (static_cast<int>(serials.size()) < machines) {
        auto machine = generator.machine(5);
        if (machine->Count() != 5 || !serials.insert(machine->serialNumber()).second)
            continue;
        const std::string bytes = DBMowerFile::Serialize(*machine);
        std::ofstream(FXUCheckDir::Join(dir.string(), FXUCheckDir::MachineFileName(machine->serialNumber())),
                      std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        const std::uint32_t serial = machine->serialNumber();
        const std::uint16_t sum = FXUCheckDir::EntrySum(serial);
        const char entry[6] = {char(serial),       char(serial >> 8), char(serial >> 16),
                               char(serial >> 24), char(sum),         char(sum >> 8)};
        check.append(entry, 6);
    }
    std::ofstream(FXUCheckDir::Join(dir.string(), "dbtisl.chk"), std::ios::binary) << check;
}

std::string copyField(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '\t' || c == '\n' || c == '\r')
            out += '\\';
        out += c == '\n' ? 'n' : c == '\r' ? 'r' : c == '\t' ? 't' : c;
    }
    return out;
}

// The same rows the first push inserts, loaded through COPY (text format, bytea as hex), including the work
// of turning the records into COPY text.
double copyFloor(const std::string& conninfo, MachineDatabase& database) {
    PGconn* connection = PQconnectdb(conninfo.c_str());
    // The records are read before the clock starts: the floor is the load alone, while the push's time
    // includes reading the machine files.
    std::vector<std::string> log;
    for (MachineEntry* entry : database.entries())
        database.Open(*entry, log);
    const auto start = Clock::now();
    static const char hex[] = "0123456789abcdef";
    auto copy = [&](const char* sql, const std::function<void(std::string&)>& rows) {
        PQclear(PQexec(connection, sql));
        std::string buffer;
        rows(buffer);
        PQputCopyData(connection, buffer.data(), static_cast<int>(buffer.size()));
        PQputCopyEnd(connection, nullptr);
        PGresult* result = PQgetResult(connection);
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            std::fprintf(stderr, "COPY failed: %s", PQerrorMessage(connection));
        PQclear(result);
        while ((result = PQgetResult(connection)))
            PQclear(result);
    };
    copy("COPY machines (serial, type_code, year, machine_number, factory_flag, name, first_name, address, "
         "updated_by) FROM STDIN",
         [&](std::string& out) {
             for (MachineEntry* entry : database.entries()) {
                 const FXUMowerLog& m = entry->machine();
                 out += std::to_string(m.serialNumber()) + '\t' + std::to_string(m.typeCode()) + '\t' +
                        std::to_string(m.year()) + '\t' + std::to_string(m.machineNumber()) + '\t' +
                        std::to_string(m.factoryFlag()) + '\t' + copyField(cp1252::toUtf8(m.name())) + '\t' +
                        copyField(cp1252::toUtf8(m.firstName())) + '\t' +
                        copyField(cp1252::toUtf8(m.address())) + "\tbench\n";
             }
         });
    copy("COPY records (serial, time, block, comment, filed_by) FROM STDIN", [&](std::string& out) {
        for (MachineEntry* entry : database.entries()) {
            for (const auto& [time, record] : entry->machine().records()) {
                std::ostringstream block;
                record->WriteRecord(block);
                out += std::to_string(entry->serialNumber()) + '\t' +
                       std::to_string(CentralSync::TimeKey(time)) + "\t\\\\x";
                for (unsigned char c : block.str()) {
                    out += hex[c >> 4];
                    out += hex[c & 15];
                }
                out += '\t' + copyField(cp1252::toUtf8(record->comment())) + "\tbench\n";
            }
        }
    });
    const double elapsed = ms(Clock::now() - start);
    PQfinish(connection);
    return elapsed;
}

std::string freshStore(PgCluster& cluster, const std::string& name) {
    PgConnection admin;
    admin.Connect(cluster.conninfo());
    admin.Run("CREATE DATABASE " + name);
    PgConnection connection;
    connection.Connect(cluster.conninfo(name));
    CentralSchema schema;
    if (!schema.Prepare(connection))
        std::fprintf(stderr, "%s\n", schema.error().c_str());
    return cluster.conninfo(name);
}

} // namespace

int main(int argc, char** argv) {
    const int machines = argc > 1 ? std::atoi(argv[1]) : 10000;
    PgCluster cluster;
    const fs::path dir = fs::path(cluster.dir()) / "folder";
    makeDatabase(dir, machines);

    MachineDatabase forCopy;
    forCopy.Load(dir.string());
    // Both loads start from files the system has cached: the COPY's read them first.
    const double copyMs = copyFloor(freshStore(cluster, "copied"), forCopy);

    const std::string store = freshStore(cluster, "pushed");
    MachineDatabase database;
    database.Load(dir.string());
    PgConnection connection;
    connection.Connect(store);
    CentralSync sync(database, connection, "bench");
    auto start = Clock::now();
    const CentralSync::Report first = sync.Run();
    const double pushMs = ms(Clock::now() - start);
    start = Clock::now();
    const CentralSync::Report idle = sync.Run();
    const double idleMs = ms(Clock::now() - start);

    std::printf("%d machines, %zu records pushed (%s)\n", machines, first.pushedRecords,
                first.ok ? "ok" : first.error.c_str());
    std::printf("first push  %9.1f ms   COPY of the same rows %9.1f ms   ratio %.2f (goal <= 3)\n", pushMs,
                copyMs, pushMs / copyMs);
    std::printf("idle sync   %9.1f ms   (goal <= 200 ms; %zu pushed, %zu pulled)\n", idleMs,
                idle.pushedRecords, idle.pulledRecords);
    return first.ok && idle.ok ? 0 : 1;
}
