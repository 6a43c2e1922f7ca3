#include "core/central/CentralSync.h"

#include "core/central/CentralSchema.h"
#include "core/central/CentralState.h"
#include "core/central/PgConnection.h"
#include "core/database/MachineDatabase.h"
#include "support/PgCluster.h"
#include "support/TempDir.h"
#include "support/TestMachines.h"

#include <condition_variable>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <utility>

using namespace testmachines;

namespace {

PgCluster* cluster = nullptr;

class ClusterEnvironment : public ::testing::Environment {
public:
    void SetUp() override { cluster = new PgCluster; }
    void TearDown() override {
        delete cluster; // stopped and removed also when a test failed
        cluster = nullptr;
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new ClusterEnvironment);

// A store of its own for each test.
std::string freshStore(const std::string& name) {
    PgConnection admin;
    EXPECT_TRUE(admin.Connect(cluster->conninfo())) << admin.lastError();
    admin.Run("DROP DATABASE IF EXISTS " + name);
    EXPECT_TRUE(admin.Run("CREATE DATABASE " + name)) << admin.lastError();
    return cluster->conninfo(name);
}

struct Folder {
    TempDir dir;
    MachineDatabase db;
    Folder() { db.Load(dir.path().string()); }
    void reload() { db.Load(dir.path().string()); }
    CentralSync::Report sync(const std::string& store, const CentralSync::ProgressFn& progress = {},
                             CentralSync::Local local = {}) {
        PgConnection connection;
        CentralSync::Report failed;
        failed.ok = false;
        if (!connection.Connect(store))
            return failed;
        CentralSchema schema;
        if (!schema.Prepare(connection))
            return failed;
        return CentralSync(db, connection, "bench-" + dir.path().filename().string(), std::move(local))
            .Run(progress);
    }
    // Changes the machine in its file, as the windows do.
    template <typename Edit> void edit(std::uint32_t serial, Edit change) {
        MachineEntry& entry = *db.FindBySerial(serial);
        std::vector<std::string> log;
        ASSERT_TRUE(db.Open(entry, log));
        change(entry.machine());
        ASSERT_TRUE(db.Save(entry, log));
    }
    std::string commentOf(std::uint32_t serial, const FXULogTime& time) {
        std::vector<std::string> log;
        MachineEntry& entry = *db.FindBySerial(serial);
        return db.Open(entry, log) ? entry.machine().Find(time).comment() : "(not opened)";
    }
    std::string blockOf(std::uint32_t serial, const FXULogTime& time) {
        MachineEntry* entry = db.FindBySerial(serial);
        std::vector<std::string> log;
        if (!entry || !db.Open(*entry, log) || !entry->machine().records().count(time))
            return {};
        std::ostringstream out;
        entry->machine().Find(time).WriteRecord(out);
        return out.str();
    }
};

long long countIn(const std::string& store, const std::string& sql) {
    PgConnection connection;
    EXPECT_TRUE(connection.Connect(store));
    auto result = connection.Exec(sql);
    return result ? result->number(0, 0) : -1;
}

TEST(CentralSync, RecordsAndNewMachinesTravelByteForByte) {
    const std::string store = freshStore("travel");
    Folder a, b;
    TestMachine wanted{0x1A2F3, "D\xE9sir\xE9", "Ren\xE9"}; // Windows-1252 owner texts
    ASSERT_TRUE(a.db.Create(makeMachine(wanted)).entry);
    const auto first = a.sync(store);
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_EQ(first.pushedRecords, 2u);

    const auto down = b.sync(store);
    ASSERT_TRUE(down.ok) << down.error;
    EXPECT_EQ(down.newMachines, 1u);
    EXPECT_EQ(TempDir::read(b.db.PathFor(wanted.serial)), TempDir::read(a.db.PathFor(wanted.serial)));
    b.reload(); // the new machine is in the check file: a start finds it
    ASSERT_NE(b.db.FindBySerial(wanted.serial), nullptr);
    EXPECT_EQ(b.db.FindBySerial(wanted.serial)->machine().name(), wanted.name);

    // A record filed in one folder reaches the other whole.
    auto record = makeRecord(wanted.serial, timeOf(7));
    const FXULogTime time = record->logTime();
    ASSERT_EQ(b.db.File(*b.db.FindBySerial(wanted.serial), record).filing, Filing::Saved);
    EXPECT_EQ(b.sync(store).pushedRecords, 1u);
    const auto pulled = a.sync(store);
    EXPECT_EQ(pulled.pulledRecords, 1u);
    ASSERT_FALSE(a.blockOf(wanted.serial, time).empty());
    EXPECT_EQ(a.blockOf(wanted.serial, time), b.blockOf(wanted.serial, time));
    a.reload();
    EXPECT_EQ(a.blockOf(wanted.serial, time), b.blockOf(wanted.serial, time)); // written, not only held

    // Nothing new: nothing moves.
    const auto idle = a.sync(store);
    EXPECT_TRUE(idle.ok);
    EXPECT_EQ(
        idle.pushedRecords + idle.pulledRecords + idle.newMachines + idle.ownerPushed + idle.ownerPulled, 0u);
    EXPECT_EQ(countIn(store, "SELECT count(*) FROM records"), 3);

    // A damaged state file, or a FIFO in its place, costs a full comparison: no hang, no wrong move.
    const std::string statePath = a.dir.file(CentralState::kFileName);
    const std::string state = TempDir::read(statePath);
    TempDir::write(statePath, state.substr(0, state.find('\n') + 1) + "12 x\n\x01\x02 3 4\nc 1 2\n" +
                                  std::string(100, '9') + "\n");
    const auto damaged = a.sync(store);
    EXPECT_TRUE(damaged.ok) << damaged.error;
    EXPECT_EQ(damaged.pushedRecords + damaged.pulledRecords + damaged.ownerPushed + damaged.ownerPulled, 0u);
    std::filesystem::remove(statePath);
    ASSERT_EQ(::mkfifo(statePath.c_str(), 0600), 0);
    const auto fifo = a.sync(store);
    EXPECT_TRUE(fifo.ok) << fifo.error;
    EXPECT_EQ(fifo.pushedRecords + fifo.pulledRecords, 0u);

    // A machine file changed behind the program's back (and the state of another store) is compared again.
    {
        MachineDatabase beside;
        beside.Load(a.dir.path().string());
        auto late = makeRecord(wanted.serial, timeOf(9));
        ASSERT_EQ(beside.File(*beside.FindBySerial(wanted.serial), late).filing, Filing::Saved);
    }
    a.reload();
    EXPECT_EQ(a.sync(store).pushedRecords, 1u);
    Folder c;
    ASSERT_TRUE(c.sync(store).ok);
    // A copy of the store with one record swapped for one that cannot be read: the same count.
    PgConnection admin;
    ASSERT_TRUE(admin.Connect(cluster->conninfo()));
    admin.Run("DROP DATABASE IF EXISTS travel2");
    ASSERT_TRUE(admin.Run("CREATE DATABASE travel2 TEMPLATE travel")) << admin.lastError();
    const std::string other = cluster->conninfo("travel2");
    PgConnection copy;
    ASSERT_TRUE(copy.Connect(other));
    ASSERT_TRUE(
        copy.Run("UPDATE store_identity SET id = 'another'; INSERT INTO records SELECT serial, time + 1, "
                 "block, comment, filed_at, filed_by FROM records WHERE time = (SELECT max(time) FROM "
                 "records); DELETE FROM records WHERE time = (SELECT max(time) FROM records) - 1"));
    EXPECT_EQ(c.sync(other).pushedRecords, 1u); // what was agreed with one store says nothing of another

    // A block the store holds that is no record is left out, named, and the rest still comes.
    PgConnection raw;
    ASSERT_TRUE(raw.Connect(store));
    ASSERT_TRUE(raw.Run("INSERT INTO records VALUES (" + std::to_string(wanted.serial) +
                        ", 20240101000000, '\\x0102', '', now(), 'x')"));
    const auto broken = a.sync(store);
    EXPECT_TRUE(broken.ok);
    EXPECT_EQ(broken.pulledRecords, 0u);
    EXPECT_NE(testing::PrintToString(broken.log).find("20240101000000 of machine 0001A2F3"),
              std::string::npos);
}

TEST(CentralSync, OwnerEditsFollowTheVersionAndClashesAreChosen) {
    const std::string store = freshStore("owners");
    Folder a, b;
    const std::uint32_t serial = 0x2B;
    ASSERT_TRUE(a.db.Create(makeMachine({serial})).entry);
    ASSERT_TRUE(a.sync(store).ok);
    ASSERT_TRUE(b.sync(store).ok);
    auto rename = [](Folder& folder, const std::string& name) {
        folder.edit(serial, [&](FXUMowerLog& machine) { machine.SetName(name); });
    };

    rename(a, "Moved");
    EXPECT_EQ(a.sync(store).ownerPushed, 1u);
    EXPECT_EQ(b.sync(store).ownerPulled, 1u);
    EXPECT_EQ(b.db.FindBySerial(serial)->machine().name(), "Moved");

    rename(a, "From A");
    rename(b, "From B");
    EXPECT_EQ(a.sync(store).ownerPushed, 1u);
    const auto clash = b.sync(store);
    ASSERT_EQ(clash.conflicts.size(), 1u);
    EXPECT_EQ(clash.conflicts[0].local.name, "From B");
    EXPECT_EQ(clash.conflicts[0].store.name, "From A");
    EXPECT_EQ(b.db.FindBySerial(serial)->machine().name(), "From B"); // nothing overwritten yet
    EXPECT_EQ(b.sync(store).conflicts.size(), 1u);                    // still open until chosen

    // Chosen on a version that moved on meanwhile: refused, nothing lost.
    PgConnection connection;
    ASSERT_TRUE(connection.Connect(store));
    CentralSync onB(b.db, connection, "b");
    std::string error;
    CentralSync::Conflict stale = clash.conflicts[0];
    stale.storeVersion -= 1;
    EXPECT_FALSE(onB.Resolve(stale, true, error));
    EXPECT_NE(error.find("changed again"), std::string::npos);

    ASSERT_TRUE(onB.Resolve(clash.conflicts[0], true, error)) << error;
    EXPECT_TRUE(b.sync(store).conflicts.empty());
    const auto settled = a.sync(store);
    EXPECT_TRUE(settled.conflicts.empty());
    EXPECT_EQ(a.db.FindBySerial(serial)->machine().name(), "From B");

    // Taking the store's side writes it into the machine file.
    rename(a, "A again");
    rename(b, "B again");
    ASSERT_EQ(a.sync(store).ownerPushed, 1u);
    const auto second = b.sync(store);
    ASSERT_EQ(second.conflicts.size(), 1u);
    ASSERT_TRUE(onB.Resolve(second.conflicts[0], false, error)) << error;
    b.reload();
    EXPECT_EQ(b.db.FindBySerial(serial)->machine().name(), "A again");
    EXPECT_TRUE(b.sync(store).conflicts.empty());

    // Both enter the same new machine with other owners at once: the second is asked, not overwritten.
    ASSERT_TRUE(a.db.Create(makeMachine({0x2C, "Ann"})).entry);
    ASSERT_TRUE(b.db.Create(makeMachine({0x2C, "Bob"})).entry);
    bool once = false;
    ASSERT_TRUE(b.sync(store, [&](std::size_t, std::size_t) {
                     if (!std::exchange(once, true)) {
                         EXPECT_TRUE(a.sync(store).ok);
                     }
                 }).ok);
    const auto race = b.sync(store);
    ASSERT_EQ(race.conflicts.size(), 1u);
    EXPECT_EQ(race.conflicts[0].store.name, "Ann");
    EXPECT_EQ(b.db.FindBySerial(0x2C)->machine().name(), "Bob");
}

TEST(CentralSync, AServerThatStopsMidwayLosesNothing) {
    const std::string store = freshStore("outage");
    // A store that vanishes mid-statement must end in an error within seconds: keepalives and a send
    // timeout are on unless the connection string, in either form, says otherwise.
    PgConnection bounded, chosen, uri;
    ASSERT_TRUE(bounded.Connect(store));
    EXPECT_EQ(bounded.option("keepalives_idle"), "10");
    EXPECT_EQ(bounded.option("tcp_user_timeout"), "30000");
    ASSERT_TRUE(chosen.Connect(store + " keepalives_idle=99"));
    EXPECT_EQ(chosen.option("keepalives_idle"), "99");
    EXPECT_EQ(chosen.option("dbname"), "outage");
    ASSERT_TRUE(uri.Connect("postgresql:///outage?host=" + cluster->dir() + "&user=osk&keepalives_idle=42"))
        << uri.lastError();
    EXPECT_EQ(uri.option("keepalives_idle"), "42");

    Folder a, b;
    for (std::uint32_t serial : {0x10u, 0x11u, 0x12u})
        ASSERT_TRUE(a.db.Create(makeMachine({serial})).entry);
    const auto cut = a.sync(store, [](std::size_t done, std::size_t) {
        if (done == 1)
            cluster->Stop();
    });
    cluster->Start();
    EXPECT_FALSE(cut.ok);
    EXPECT_FALSE(cut.error.empty());
    EXPECT_EQ(countIn(store, "SELECT count(*) FROM records"), 2); // the first machine, whole

    const auto resumed = a.sync(store);
    ASSERT_TRUE(resumed.ok) << resumed.error;
    EXPECT_EQ(resumed.pushedRecords, 4u);
    EXPECT_EQ(b.sync(store).newMachines, 3u);

    // Unreachable from the start: refused at once, the folder untouched.
    PgConnection nowhere;
    EXPECT_FALSE(nowhere.Connect("host=" + cluster->dir() + "/absent user=osk connect_timeout=2"));
    EXPECT_FALSE(nowhere.lastError().empty());
}

TEST(CentralSchema, CreatesOnceAndRefusesANewerSchema) {
    const std::string store = freshStore("schema");
    PgConnection connection;
    ASSERT_TRUE(connection.Connect(store));
    CentralSchema schema;
    ASSERT_TRUE(schema.Prepare(connection)) << schema.error();
    EXPECT_EQ(schema.found(), 0);
    ASSERT_TRUE(schema.Prepare(connection)) << schema.error();
    EXPECT_EQ(schema.found(), CentralSchema::kVersion);

    // A store of the first version gains the comment versions, its records kept.
    ASSERT_TRUE(connection.Run("ALTER TABLE records DROP COLUMN comment_version; DELETE FROM schema_version "
                               "WHERE version > 1"));
    ASSERT_TRUE(schema.Prepare(connection)) << schema.error();
    EXPECT_EQ(schema.found(), 1);
    EXPECT_EQ(countIn(store, "SELECT count(comment_version) FROM records"), 0);
    EXPECT_EQ(countIn(store, "SELECT max(version) FROM schema_version"), CentralSchema::kVersion);

    ASSERT_TRUE(connection.Run("INSERT INTO schema_version VALUES (" +
                               std::to_string(CentralSchema::kVersion + 1) + ")"));
    EXPECT_FALSE(schema.Prepare(connection));
    EXPECT_NE(schema.error().find("schema version " + std::to_string(CentralSchema::kVersion + 1)),
              std::string::npos)
        << schema.error();
}

// The roles the README gives workshops are enough to synchronise, and not enough to delete.
TEST(CentralSchema, TheReadmeRolesSynchroniseButCannotDelete) {
    std::ifstream readme(OSK_README);
    const std::string text{std::istreambuf_iterator<char>(readme), std::istreambuf_iterator<char>()};
    const std::size_t begin = text.find("```sql\n");
    ASSERT_NE(begin, std::string::npos);
    const std::string sql = std::regex_replace(
        text.substr(begin + 7, text.find("```", begin + 7) - begin - 7), std::regex("\\borvane\\b"), "roles");
    const std::size_t ownerStep = sql.find("-- connect once");
    ASSERT_NE(ownerStep, std::string::npos);
    const std::string store = freshStore("roles");
    PgConnection admin;
    ASSERT_TRUE(admin.Connect(store));
    admin.Run("DROP ROLE IF EXISTS north; DROP ROLE IF EXISTS south; DROP ROLE IF EXISTS workshop; "
              "DROP ROLE IF EXISTS orvane_owner");
    ASSERT_TRUE(admin.Run(sql.substr(0, ownerStep))) << admin.lastError();
    const std::string host = "host=" + cluster->dir() + " dbname=roles user=";
    {
        PgConnection owner;
        ASSERT_TRUE(owner.Connect(host + "orvane_owner")) << owner.lastError();
        CentralSchema schema;
        ASSERT_TRUE(schema.Prepare(owner)) << schema.error();
    }
    ASSERT_TRUE(admin.Run(sql.substr(sql.find('\n', ownerStep) + 1))) << admin.lastError();

    Folder a, b;
    ASSERT_TRUE(a.db.Create(makeMachine({0x77, "Owner"})).entry);
    const auto up = a.sync(host + "north");
    ASSERT_TRUE(up.ok) << up.error;
    EXPECT_EQ(up.pushedRecords, 2u);
    ASSERT_TRUE(b.sync(host + "south").ok);
    a.edit(0x77, [](FXUMowerLog& machine) {
        machine.SetName("Renamed");
        machine.Find(timeOf(0)).SetComment("Checked");
    });
    const auto edits = a.sync(host + "north");
    ASSERT_TRUE(edits.ok) << edits.error;
    EXPECT_EQ(edits.ownerPushed, 1u);
    EXPECT_EQ(edits.commentsPushed, 1u);
    const auto down = b.sync(host + "south");
    EXPECT_EQ(down.ownerPulled + down.commentsPulled, 2u) << down.error;

    PgConnection workshop;
    ASSERT_TRUE(workshop.Connect(host + "north"));
    EXPECT_FALSE(workshop.Run("DELETE FROM records"));
    EXPECT_FALSE(workshop.Run("DELETE FROM machines"));
    EXPECT_FALSE(workshop.Run("UPDATE records SET block = ''::bytea"));
    EXPECT_EQ(countIn(store, "SELECT count(*) FROM records"), 2);
}

TEST(CentralSync, CommentEditsFollowTheirVersionAndClashesAreChosen) {
    const std::string store = freshStore("comments");
    Folder a, b;
    const std::uint32_t serial = 0x3C;
    const FXULogTime time = timeOf(1);
    ASSERT_TRUE(a.db.Create(makeMachine({serial})).entry);
    ASSERT_TRUE(a.sync(store).ok);
    ASSERT_TRUE(b.sync(store).ok);
    ASSERT_TRUE(b.sync(store).ok); // b's file now matches and is skipped unless the store moves on
    auto comment = [&](Folder& folder, const std::string& text) {
        folder.edit(serial, [&](FXUMowerLog& machine) { machine.Find(time).SetComment(text); });
    };

    comment(a, "Blade changed");
    EXPECT_EQ(a.sync(store).commentsPushed, 1u);
    EXPECT_EQ(b.sync(store).commentsPulled, 1u); // though b's file did not change
    EXPECT_EQ(b.commentOf(serial, time), "Blade changed");
    b.reload();
    EXPECT_EQ(b.commentOf(serial, time), "Blade changed");
    EXPECT_EQ(a.sync(store).commentsPulled + a.sync(store).commentsPushed, 0u);

    comment(a, "From A");
    comment(b, "From B");
    EXPECT_EQ(a.sync(store).commentsPushed, 1u);
    const auto clash = b.sync(store);
    ASSERT_EQ(clash.conflicts.size(), 1u);
    EXPECT_EQ(clash.conflicts[0].record, CentralSync::TimeKey(time));
    EXPECT_EQ(clash.conflicts[0].localComment, "From B");
    EXPECT_EQ(clash.conflicts[0].storeComment, "From A");
    EXPECT_EQ(b.commentOf(serial, time), "From B");
    PgConnection connection;
    ASSERT_TRUE(connection.Connect(store));
    CentralSync onB(b.db, connection, "b");
    std::string error;
    ASSERT_TRUE(onB.Resolve(clash.conflicts[0], false, error)) << error;
    EXPECT_EQ(b.commentOf(serial, time), "From A");
    EXPECT_TRUE(b.sync(store).conflicts.empty());

    // A record that comes down brings its latest comment, not the one it was filed with.
    auto record = makeRecord(serial, timeOf(5));
    record->SetComment("Filed");
    ASSERT_EQ(a.db.File(*a.db.FindBySerial(serial), record).filing, Filing::Saved);
    ASSERT_EQ(a.sync(store).pushedRecords, 1u);
    ASSERT_TRUE(connection.Run("UPDATE records SET comment = 'Later', comment_version = 2 WHERE time = " +
                               std::to_string(CentralSync::TimeKey(timeOf(5)))));
    EXPECT_EQ(b.sync(store).pulledRecords, 1u);
    EXPECT_EQ(b.commentOf(serial, timeOf(5)), "Later");
    EXPECT_EQ(a.sync(store).commentsPulled, 1u);
}

// As the windows run it: the store on a thread of its own, every touch of the database handed back.
TEST(CentralSync, TheDatabaseIsTouchedOnlyWhereItLives) {
    const std::string store = freshStore("threads");
    Folder a, b;
    for (std::uint32_t serial : {0x50u, 0x51u})
        ASSERT_TRUE(a.db.Create(makeMachine({serial})).entry);
    ASSERT_TRUE(a.sync(store).ok);
    ASSERT_TRUE(b.db.Create(makeMachine({0x52})).entry);

    std::mutex mutex;
    std::condition_variable wake;
    const std::function<void()>* task = nullptr;
    bool ran = false, refuse = false, finished = false;
    std::size_t tasks = 0;
    std::vector<std::uint32_t> changed;
    CentralSync::Local local;
    local.run = [&](const std::function<void()>& job) {
        std::unique_lock lock(mutex);
        if (refuse)
            return false;
        task = &job;
        ran = false;
        wake.notify_all();
        wake.wait(lock, [&] { return ran; });
        return true;
    };
    local.inUse = [](std::uint32_t serial) { return serial == 0x51; };
    local.changed = [&](MachineEntry& entry, const std::vector<FXULogTime>&) {
        changed.push_back(entry.serialNumber());
    };
    auto runOnWorker = [&](std::size_t refuseAfter) {
        CentralSync::Report report;
        finished = false;
        tasks = 0;
        refuse = false;
        std::thread worker([&] {
            report = b.sync(store, {}, local);
            const std::lock_guard lock(mutex);
            finished = true;
            wake.notify_all();
        });
        std::unique_lock lock(mutex);
        while (!finished) {
            wake.wait(lock, [&] { return finished || (task && !ran); });
            if (task && !ran) {
                (*task)(); // here, on the thread that owns the database
                task = nullptr;
                ran = true;
                refuse = ++tasks >= refuseAfter;
                wake.notify_all();
            }
        }
        lock.unlock();
        worker.join();
        return report;
    };

    const auto stopped = runOnWorker(2); // the program closes while the synchronisation runs
    EXPECT_FALSE(stopped.ok);
    EXPECT_NE(stopped.error.find("closing"), std::string::npos);
    const auto resumed = runOnWorker(1000);
    ASSERT_TRUE(resumed.ok) << resumed.error;
    EXPECT_EQ(b.db.entries().size(), 3u);
    EXPECT_EQ(countIn(store, "SELECT count(*) FROM records"), 6);

    // A machine whose window is open takes records but not owner data, until it is closed.
    a.edit(0x51, [](FXUMowerLog& machine) { machine.SetName("Elsewhere"); });
    auto record = makeRecord(0x51, timeOf(8));
    ASSERT_EQ(a.db.File(*a.db.FindBySerial(0x51), record).filing, Filing::Saved);
    ASSERT_EQ(a.sync(store).ownerPushed, 1u);
    changed.clear();
    const auto open = runOnWorker(1000);
    EXPECT_EQ(open.pulledRecords, 1u);
    EXPECT_EQ(open.ownerPulled, 0u);
    EXPECT_EQ(changed, std::vector<std::uint32_t>{0x51});
    local.inUse = {};
    EXPECT_EQ(runOnWorker(1000).ownerPulled, 1u);
    EXPECT_EQ(b.db.FindBySerial(0x51)->machine().name(), "Elsewhere");
}

TEST(CentralSync, BlocksThatAreNoRecordsAreRefused) {
    auto record = makeRecord(5, timeOf(1));
    std::ostringstream out;
    record->WriteRecord(out);
    const std::string block = out.str();
    ASSERT_NE(CentralSync::ParseBlock(block, 4), nullptr);
    EXPECT_EQ(CentralSync::ParseBlock(block.substr(0, block.size() - 1), 4), nullptr);
    EXPECT_EQ(CentralSync::ParseBlock(block + "x", 4), nullptr);
    EXPECT_EQ(CentralSync::ParseBlock(block.substr(0, 10), 4), nullptr);
}

TEST(OrvaneSync, SynchronisesAFolderFromTheCommandLine) {
    const std::string store = freshStore("tool");
    Folder a;
    ASSERT_TRUE(a.db.Create(makeMachine({0x77})).entry);
    const std::string tool = std::string(OSK_SYNC_PROGRAM) + " --db " + a.dir.path().string();
    auto exitCode = [](const std::string& command) {
        return WEXITSTATUS(std::system((command + " >/dev/null 2>&1").c_str()));
    };
    EXPECT_EQ(exitCode(tool), 2);
    EXPECT_EQ(exitCode(tool + " --store 'host=" + cluster->dir() + "/absent user=osk'"), 1);
    EXPECT_EQ(countIn(store, "SELECT (to_regclass('records') IS NULL)::int"), 1); // nothing touched yet
    EXPECT_EQ(exitCode(tool + " --store '" + store + "' --workshop north"), 0);
    EXPECT_EQ(countIn(store, "SELECT count(*) FROM records WHERE filed_by = 'north'"), 2);
}

} // namespace
