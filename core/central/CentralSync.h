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
class MachineDatabase;
class MachineEntry;
class PgConnection;
struct FXULogTime;

// Brings a machine database and the central store to the same records, both ways: every local record the
// store lacks is inserted (one transaction per machine, so a machine is in the store whole or not at all),
// every store record the folder lacks is merged into its machine file (written atomically), and machines
// new to the folder come down as new machine files. Records are immutable and keyed by serial number and
// time, so merging is a union. Owner data carry a version: an edit made on version v reaches the store
// only where it is still v; otherwise both versions are reported for the dealer to choose.
class CentralSync {
public:
    struct Owner {
        std::string name, firstName, address; // Windows-1252 bytes, as the machine holds them
        bool operator==(const Owner&) const = default;
    };
    struct Conflict {
        std::uint32_t serial = 0;
        Owner local, store;
        std::int64_t storeVersion = 0;
    };
    struct Report {
        bool ok = true;
        std::string error; // why the synchronisation stopped; what was done before it stays done
        std::vector<std::string> log;
        std::size_t pushedRecords = 0, pulledRecords = 0, newMachines = 0, ownerPushed = 0, ownerPulled = 0;
        std::vector<Conflict> conflicts;
    };
    // Machines compared so far and in all; may be called often.
    using ProgressFn = std::function<void(std::size_t done, std::size_t total)>;

    CentralSync(MachineDatabase& database, PgConnection& store, std::string workshop)
        : database_(database), store_(store), workshop_(std::move(workshop)) {}

    // The schema must have been prepared on this connection (CentralSchema).
    Report Run(const ProgressFn& progress = {});
    // Settles a conflict: keepLocal puts this folder's owner data in the store (if the store is still at
    // the version the dealer saw), otherwise the store's come into the machine file. False with the reason.
    bool Resolve(const Conflict& conflict, bool keepLocal, std::string& error);

    static constexpr std::size_t kBatchRows = 200; // records per INSERT
    static std::int64_t TimeKey(const FXULogTime& time);
    // A record block as the machine file stores it, read back; null when it is no valid block.
    static std::unique_ptr<FXULog> ParseBlock(std::string_view block, std::uint8_t typeCode);

private:
    struct StoreMachine;
    bool pushMachine(std::uint32_t serial, const std::vector<const FXULog*>& records, bool withMachine,
                     Report& report);
    // times: those missing here; null for a machine new to this folder (all of them).
    bool pullRecords(std::uint32_t serial, const StoreMachine& machine,
                     const std::vector<std::int64_t>* times, Report& report);
    bool updateStoreOwner(std::uint32_t serial, const Owner& owner, std::int64_t version, bool& updated);
    bool reconcileOwner(std::uint32_t serial, const StoreMachine& store, Report& report);
    bool setLocalOwner(std::uint32_t serial, const Owner& owner, std::vector<std::string>& log);
    bool loadState();
    // The machine file and the store's records of it are as they were when they last matched.
    bool unchanged(const MachineEntry& entry, const StoreMachine& store) const;
    void agreeRecords(const MachineEntry& entry);
    std::string utf8(const std::string& text) const;
    std::optional<std::string> local(std::string_view utf8Text) const;

    MachineDatabase& database_;
    PgConnection& store_;
    std::string workshop_;
    CentralState state_;
    bool clean_ = true;            // the machine in hand has every store record in its file
    bool insertedMachine_ = false; // the last push entered its machine (none of that serial was there)
};
