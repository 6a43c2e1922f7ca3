#pragma once

#include "core/central/CentralState.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class FXULog;
class FXUMowerLog;
class MachineDatabase;
class MachineEntry;
class PgConnection;
struct FXULogTime;

// Brings a machine database and the central store to the same records, both ways: every local record the
// store lacks is inserted (one transaction per machine, so a machine is in the store whole or not at all),
// every store record the folder lacks is merged into its machine file (written atomically), and machines
// new to the folder come down as new machine files. Records are immutable and keyed by serial number and
// time, so merging is a union. Owner data and record comments carry a version: an edit made on version v
// reaches the store only where it is still v; otherwise both versions are reported for the dealer to choose.
//
// The store is spoken to from the thread that calls Run; the machine database is touched only through
// Local::run, so that a window program can keep it on its own thread and answer the store from a worker.
class CentralSync {
public:
    struct Owner {
        std::string name, firstName, address; // Windows-1252 bytes, as the machine holds them
        bool operator==(const Owner&) const = default;
    };
    struct Conflict {
        std::uint32_t serial = 0;
        std::int64_t record = 0; // the time key of the record whose comment differs; 0: the owner data
        Owner local, store;
        std::string localComment, storeComment;
        std::int64_t storeVersion = 0;
    };
    struct Report {
        bool ok = true;
        std::string error; // why the synchronisation stopped; what was done before it stays done
        std::vector<std::string> log;
        std::size_t pushedRecords = 0, pulledRecords = 0, newMachines = 0, ownerPushed = 0, ownerPulled = 0,
                    commentsPushed = 0, commentsPulled = 0;
        std::vector<Conflict> conflicts;
    };
    // Machines compared so far and in all; may be called often.
    using ProgressFn = std::function<void(std::size_t done, std::size_t total)>;
    // How the synchronisation reaches the machine database.
    struct Local {
        // Runs the task where the database lives and returns once it ran; false when it will not run (the
        // program is closing): the synchronisation stops there. None: at once, on the calling thread.
        std::function<bool(const std::function<void()>& task)> run;
        // The machine is being edited (its window is open): its owner data and comments are compared once
        // it is no longer, records still come in. Asked inside run's tasks.
        std::function<bool(std::uint32_t serial)> inUse;
        // Records came into the machine, or its owner data or comments changed; inside run's tasks.
        std::function<void(MachineEntry& entry, const std::vector<FXULogTime>& added)> changed;
    };

    CentralSync(MachineDatabase& database, PgConnection& store, std::string workshop, Local local = {});
    ~CentralSync();

    // The schema must have been prepared on this connection (CentralSchema).
    Report Run(const ProgressFn& progress = {});
    // Settles a conflict: keepLocal puts this folder's owner data or comment in the store (if the store is
    // still at the version the dealer saw), otherwise the store's come into the machine file. False with
    // the reason.
    bool Resolve(const Conflict& conflict, bool keepLocal, std::string& error);

    static constexpr std::size_t kBatchRows = 200; // records per INSERT
    static std::int64_t TimeKey(const FXULogTime& time);
    // A record block as the machine file stores it, read back; null when it is no valid block.
    static std::unique_ptr<FXULog> ParseBlock(std::string_view block, std::uint8_t typeCode);

private:
    struct StoreMachine;
    struct LocalMachine;
    bool onLocal(const std::function<void()>& task, Report& report);
    // Sends the records the store lacks, and the machine itself when withMachine; counts follows.
    bool pushMachine(const LocalMachine& machine, StoreMachine& counts, bool withMachine, Report& report);
    // times: those missing here; null for a machine new to this folder (all of them).
    bool pullRecords(std::uint32_t serial, const StoreMachine& machine,
                     const std::vector<std::int64_t>* times, Report& report);
    bool updateStoreOwner(std::uint32_t serial, const Owner& owner, std::int64_t version, bool& updated);
    bool updateStoreComment(std::uint32_t serial, std::int64_t time, const std::string& comment,
                            std::int64_t version, bool& updated);
    bool reconcileOwner(const LocalMachine& here, const StoreMachine& store, Report& report);
    bool reconcileComments(const LocalMachine& here, StoreMachine& store, Report& report);
    // Writes the store's owner data or a record's comment into the machine file, if they are here still as
    // they were when compared (expected).
    bool setLocalOwner(std::uint32_t serial, const Owner& owner, const Owner* expected,
                       std::vector<std::string>& log);
    bool setLocalComment(std::uint32_t serial, std::int64_t time, const std::string& comment,
                         const std::string* expected, std::vector<std::string>& log);
    // Opens the machine (unless in use), applies edit and saves it; false when edit declines or the file
    // cannot be opened or written.
    bool editLocal(std::uint32_t serial, const std::function<bool(FXUMowerLog&)>& edit,
                   std::vector<std::string>& log);
    bool loadState();
    // The machine file and the store's records of it are as they were when they last matched.
    bool unchanged(const std::string& fileName, std::uint32_t serial, const StoreMachine& store) const;
    void agreeRecords(const MachineEntry& entry, const StoreMachine* store);
    std::string utf8(const std::string& text) const;
    std::optional<std::string> local(std::string_view utf8Text) const;

    MachineDatabase& database_;
    PgConnection& store_;
    std::string workshop_;
    Local local_;
    CentralState state_;
    bool clean_ = true;            // the machine in hand has every store record in its file
    bool insertedMachine_ = false; // the last push entered its machine (none of that serial was there)
};
