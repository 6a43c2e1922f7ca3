#include "core/central/CentralSync.h"

#include "core/central/PgConnection.h"
#include "core/database/MachineDatabase.h"
#include "core/history/FXULog.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/Cp1252.h"

#include <algorithm>
#include <cstdio>
#include <ios>
#include <memory>
#include <sstream>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>

struct CentralSync::StoreMachine {
    std::uint8_t typeCode = 0, year = 0, factoryFlag = 0;
    std::int32_t machineNumber = 0;
    Owner owner;
    bool ownerReadable = true;
    std::int64_t version = 0;
    std::size_t count = 0;           // records in the store
    std::vector<std::int64_t> times; // ascending; read only for the machines compared
};

namespace {

std::string serialText(std::uint32_t serial) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", serial);
    return text;
}

std::int64_t bigEndian64(std::string_view bytes) {
    std::uint64_t value = 0;
    for (unsigned char c : bytes.substr(0, 8))
        value = (value << 8) | c;
    return static_cast<std::int64_t>(value);
}

std::uint64_t digestOf(const CentralSync::Owner& owner) {
    return CentralState::Digest(owner.name, owner.firstName, owner.address);
}

CentralSync::Owner ownerOf(const FXUMowerLog& machine) {
    return {machine.name(), machine.firstName(), machine.address()};
}

} // namespace

std::int64_t CentralSync::TimeKey(const FXULogTime& time) {
    return ((((time.year * 100ll + time.month) * 100 + time.day) * 100 + time.hour) * 100 + time.minute) *
               100 +
           time.second;
}

std::unique_ptr<FXULog> CentralSync::ParseBlock(std::string_view block, std::uint8_t typeCode) {
    if (block.size() < FXULog::kHeaderTestBytes)
        return nullptr;
    const std::string bytes(block);
    for (FXULog::HeaderForm form : FXULog::HeaderForms(reinterpret_cast<const std::uint8_t*>(bytes.data()))) {
        for (FXULog::ExtraReading reading : {FXULog::ExtraReading::Rule, FXULog::ExtraReading::Block}) {
            std::istringstream in(bytes);
            auto record = std::make_unique<FXULog>(FXULogTime(0, 0, 0, 0, 0, 0));
            try {
                if (!record->ReadRecord(in, form, reading) || in.peek() != std::char_traits<char>::eof())
                    continue;
            } catch (const std::ios_base::failure&) {
                continue;
            }
            if ((record->typeByte() & 0x0F) == 0)
                record->SetTypeByte(static_cast<std::uint8_t>(record->typeByte() + typeCode));
            // Only a block that the machine file would store as it came is taken: byte for byte.
            std::ostringstream out;
            if (record->WriteRecord(out) && out.str() == bytes)
                return record;
        }
    }
    return nullptr;
}

bool CentralSync::loadState() {
    const auto id = store_.Exec("SELECT id FROM store_identity");
    if (!id || id->rows() != 1)
        return false;
    state_.Load(database_.directory(), std::string(id->value(0, 0)));
    return true;
}

namespace {
std::optional<FileStamp> stampOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileStamp::Of(status);
}
} // namespace

bool CentralSync::unchanged(const MachineEntry& entry, const StoreMachine& store) const {
    const CentralState::Agreed* agreed = state_.Find(entry.serialNumber());
    if (!agreed || agreed->count == 0 || agreed->count != store.count || agreed->version != store.version)
        return false;
    const std::optional<FileStamp> now = stampOf(entry.fileName());
    return now && *now == agreed->file;
}

void CentralSync::agreeRecords(const MachineEntry& entry) {
    if (const std::optional<FileStamp> now = stampOf(entry.fileName()))
        state_.SetRecords(entry.serialNumber(), *now, entry.machine().Count());
}

std::string CentralSync::utf8(const std::string& text) const {
    return cp1252::toUtf8(text);
}

std::optional<std::string> CentralSync::local(std::string_view utf8Text) const {
    return cp1252::fromUtf8(utf8Text);
}

CentralSync::Report CentralSync::Run(const ProgressFn& progress) {
    Report report;
    auto stop = [&](const std::string& what) {
        report.ok = false;
        report.error = what + ": " + store_.lastError();
        report.log.push_back(report.error);
        return report;
    };
    if (!loadState())
        return stop("The central store's identity cannot be read");

    // One query per side of the comparison, not one per machine.
    std::unordered_map<std::uint32_t, StoreMachine> store;
    const auto machines = store_.Exec("SELECT m.serial, m.type_code, m.year, m.machine_number, "
                                      "m.factory_flag, m.name, m.first_name, m.address, "
                                      "m.owner_version, count(r.time) FROM machines m LEFT JOIN records r ON "
                                      "r.serial = m.serial GROUP BY m.serial");
    if (!machines)
        return stop("The central store's machines cannot be read");
    for (int row = 0; row < machines->rows(); ++row) {
        StoreMachine& machine = store[static_cast<std::uint32_t>(machines->number(row, 0))];
        machine.typeCode = static_cast<std::uint8_t>(machines->number(row, 1));
        machine.year = static_cast<std::uint8_t>(machines->number(row, 2));
        machine.machineNumber = static_cast<std::int32_t>(machines->number(row, 3));
        machine.factoryFlag = static_cast<std::uint8_t>(machines->number(row, 4));
        const auto name = local(machines->value(row, 5));
        const auto firstName = local(machines->value(row, 6));
        const auto address = local(machines->value(row, 7));
        machine.ownerReadable = name && firstName && address;
        if (machine.ownerReadable)
            machine.owner = {*name, *firstName, *address};
        machine.version = machines->number(row, 8);
        machine.count = static_cast<std::size_t>(machines->number(row, 9));
    }

    // The list grows while new machines come down: walk the entries as they were. Those that match the
    // store since the last synchronisation are not read; the record times of the others come in one query.
    std::unordered_set<std::uint32_t> seen;
    std::vector<MachineEntry*> compared;
    std::string serials = "{";
    for (MachineEntry* entry : database_.entries()) {
        const std::uint32_t serial = entry->serialNumber();
        const auto found = store.find(serial);
        if (found != store.end() && unchanged(*entry, found->second)) {
            seen.insert(serial);
            continue;
        }
        compared.push_back(entry);
        if (found != store.end())
            serials += (serials.size() > 1 ? "," : "") + std::to_string(serial);
    }
    if (serials.size() > 1) {
        const auto times =
            store_.Exec("SELECT serial, time FROM records WHERE serial = ANY($1::bigint[]) ORDER BY "
                        "serial, time",
                        {PgConnection::Param{serials + "}"}});
        if (!times)
            return stop("The central store's records cannot be read");
        for (int row = 0; row < times->rows(); ++row) {
            const auto found = store.find(static_cast<std::uint32_t>(times->number(row, 0)));
            if (found != store.end())
                found->second.times.push_back(times->number(row, 1));
        }
    }

    const std::size_t total = compared.size() + store.size();
    std::size_t done = 0;
    for (MachineEntry* entry : compared) {
        if (progress)
            progress(done, total);
        ++done;
        const std::uint32_t serial = entry->serialNumber();
        const auto found = store.find(serial);
        if (!database_.Open(*entry, report.log))
            continue; // logged; it is compared again next time
        seen.insert(serial);
        clean_ = true;
        const std::size_t conflicts = report.conflicts.size();
        const std::vector<std::int64_t> none;
        const std::vector<std::int64_t>& storeTimes = found == store.end() ? none : found->second.times;
        std::vector<const FXULog*> missing;
        std::vector<std::int64_t> localTimes;
        for (const auto& [time, record] : entry->machine().records()) {
            const std::int64_t key = TimeKey(time);
            localTimes.push_back(key);
            if (!std::binary_search(storeTimes.begin(), storeTimes.end(), key))
                missing.push_back(record.get());
        }
        if ((found == store.end() || !missing.empty()) &&
            !pushMachine(serial, missing, found == store.end(), report))
            return report;
        if (found == store.end()) {
            // Another workshop may have entered the machine meanwhile: its owner data are then compared.
            if (insertedMachine_)
                state_.SetOwner(serial, 1, digestOf(ownerOf(entry->machine())));
            agreeRecords(*entry);
            continue;
        }
        std::vector<std::int64_t> wanted;
        std::set_difference(storeTimes.begin(), storeTimes.end(), localTimes.begin(), localTimes.end(),
                            std::back_inserter(wanted));
        if (!wanted.empty() && !pullRecords(serial, found->second, &wanted, report))
            return report;
        if (!reconcileOwner(serial, found->second, report))
            return report;
        if (clean_ && report.conflicts.size() == conflicts)
            agreeRecords(*entry);
    }
    for (const auto& [serial, machine] : store) {
        if (progress)
            progress(done, total);
        ++done;
        if (!seen.count(serial) && !database_.FindBySerial(serial) &&
            !pullRecords(serial, machine, nullptr, report))
            return report;
    }
    if (progress)
        progress(total, total);
    if (!state_.Save(database_.directory()))
        report.log.push_back("Central store state not written: " + state_.error());
    return report;
}

bool CentralSync::pushMachine(std::uint32_t serial, const std::vector<const FXULog*>& records,
                              bool withMachine, Report& report) {
    auto fail = [&](const std::string& what) {
        report.ok = false;
        report.error = what + " " + serialText(serial) + ": " + store_.lastError();
        report.log.push_back(report.error);
        store_.Run("ROLLBACK");
        return false;
    };
    using Param = PgConnection::Param;
    const std::string serialParam = std::to_string(serial);
    if (!store_.Run("BEGIN"))
        return fail("Machine not sent to the central store");
    if (withMachine) {
        const FXUMowerLog& machine = database_.FindBySerial(serial)->machine();
        const auto inserted = store_.Exec(
            "INSERT INTO machines (serial, type_code, year, machine_number, factory_flag, name, first_name, "
            "address, updated_by) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9) ON CONFLICT DO NOTHING",
            {Param{serialParam}, Param{std::to_string(machine.typeCode())},
             Param{std::to_string(machine.year())}, Param{std::to_string(machine.machineNumber())},
             Param{std::to_string(machine.factoryFlag())}, Param{utf8(machine.name())},
             Param{utf8(machine.firstName())}, Param{utf8(machine.address())}, Param{workshop_}});
        if (!inserted)
            return fail("Machine not sent to the central store");
        insertedMachine_ = inserted->affected() == 1;
    }
    std::size_t pushed = 0;
    for (std::size_t first = 0; first < records.size(); first += kBatchRows) {
        const std::size_t end = std::min(records.size(), first + kBatchRows);
        std::string sql = "INSERT INTO records (serial, time, block, comment, filed_by) VALUES ";
        std::vector<Param> params;
        for (std::size_t i = first; i < end; ++i) {
            const std::size_t p = params.size();
            sql += (i == first ? "(" : ", (");
            for (std::size_t k = 1; k <= 5; ++k)
                sql += "$" + std::to_string(p + k) + (k == 5 ? ")" : ", ");
            std::ostringstream block;
            records[i]->WriteRecord(block);
            params.push_back(Param{serialParam});
            params.push_back(Param{std::to_string(TimeKey(records[i]->logTime()))});
            params.push_back(Param{block.str(), true});
            params.push_back(Param{utf8(records[i]->comment())});
            params.push_back(Param{workshop_});
        }
        sql += " ON CONFLICT DO NOTHING";
        const auto inserted = store_.Exec(sql, params);
        if (!inserted)
            return fail("Records not sent to the central store for machine");
        pushed += static_cast<std::size_t>(inserted->affected());
    }
    if (!store_.Run("COMMIT"))
        return fail("Records not sent to the central store for machine");
    report.pushedRecords += pushed;
    return true;
}

bool CentralSync::pullRecords(std::uint32_t serial, const StoreMachine& machine,
                              const std::vector<std::int64_t>* times, Report& report) {
    if (!times)
        clean_ = true;
    using Param = PgConnection::Param;
    std::optional<PgResult> rows;
    if (times) {
        std::string list = "{";
        for (std::int64_t time : *times)
            list += (list.size() > 1 ? "," : "") + std::to_string(time);
        list += "}";
        rows = store_.Exec("SELECT time, block FROM records WHERE serial = $1 AND time = ANY($2::bigint[])",
                           {Param{std::to_string(serial)}, Param{list}}, true);
    } else {
        rows = store_.Exec("SELECT time, block FROM records WHERE serial = $1",
                           {Param{std::to_string(serial)}}, true);
    }
    if (!rows) {
        report.ok = false;
        report.error = "Records of machine " + serialText(serial) +
                       " not read from the central store: " + store_.lastError();
        report.log.push_back(report.error);
        return false;
    }
    auto incoming = std::make_unique<FXUMowerLog>();
    for (int row = 0; row < rows->rows(); ++row) {
        const std::int64_t time = bigEndian64(rows->value(row, 0));
        std::unique_ptr<FXULog> record = ParseBlock(rows->value(row, 1), machine.typeCode);
        if (!record || TimeKey(record->logTime()) != time) {
            clean_ = false;
            report.log.push_back("Record " + std::to_string(time) + " of machine " + serialText(serial) +
                                 " in the central store is no valid record block: left out");
            continue;
        }
        const FXULogTime key = record->logTime();
        incoming->Insert(key, record);
    }
    if (incoming->Count() == 0)
        return true;
    const std::size_t count = incoming->Count();
    if (MachineEntry* entry = database_.FindBySerial(serial)) {
        MachineDatabase::MergeReport merged = database_.Merge(*entry, *incoming);
        report.log.insert(report.log.end(), merged.save.log.begin(), merged.save.log.end());
        clean_ = clean_ && merged.opened && merged.save.saved;
        report.pulledRecords += merged.added.size();
        return true;
    }
    if (!machine.ownerReadable) {
        report.log.push_back("Machine " + serialText(serial) +
                             " in the central store has owner data this program cannot hold: left out");
        return true;
    }
    incoming->SetTypeCode(machine.typeCode);
    incoming->SetYear(machine.year);
    incoming->SetMachineNumber(machine.machineNumber);
    incoming->SetFactoryFlag(machine.factoryFlag);
    incoming->SetName(machine.owner.name);
    incoming->SetFirstName(machine.owner.firstName);
    incoming->SetAddress(machine.owner.address);
    MachineDatabase::CreateReport created = database_.Create(std::move(incoming));
    report.log.insert(report.log.end(), created.log.begin(), created.log.end());
    if (created.entry && created.save.saved) {
        ++report.newMachines;
        report.pulledRecords += count;
        state_.SetOwner(serial, machine.version, digestOf(machine.owner));
        if (clean_)
            agreeRecords(*created.entry);
    }
    return true;
}

bool CentralSync::updateStoreOwner(std::uint32_t serial, const Owner& owner, std::int64_t version,
                                   bool& updated) {
    using Param = PgConnection::Param;
    const auto result = store_.Exec(
        "UPDATE machines SET name = $2, first_name = $3, address = $4, owner_version = owner_version + 1, "
        "updated_at = now(), updated_by = $5 WHERE serial = $1 AND owner_version = $6",
        {Param{std::to_string(serial)}, Param{utf8(owner.name)}, Param{utf8(owner.firstName)},
         Param{utf8(owner.address)}, Param{workshop_}, Param{std::to_string(version)}});
    updated = result && result->affected() == 1;
    return result.has_value();
}

bool CentralSync::reconcileOwner(std::uint32_t serial, const StoreMachine& store, Report& report) {
    MachineEntry* entry = database_.FindBySerial(serial);
    const Owner here = ownerOf(entry->machine());
    if (!store.ownerReadable) {
        report.log.push_back(
            "Machine " + serialText(serial) +
            " in the central store has owner data this program cannot hold: left as they are");
        return true;
    }
    if (here == store.owner) {
        state_.SetOwner(serial, store.version, digestOf(here));
        return true;
    }
    const CentralState::Agreed* agreed = state_.Find(serial);
    if (agreed && agreed->digest == digestOf(here)) {
        // Unchanged here since the last agreement: the edit made elsewhere comes down.
        if (setLocalOwner(serial, store.owner, report.log)) {
            state_.SetOwner(serial, store.version, digestOf(store.owner));
            ++report.ownerPulled;
        }
        return true;
    }
    if (agreed && agreed->version == store.version) {
        bool updated = false;
        if (!updateStoreOwner(serial, here, store.version, updated)) {
            report.ok = false;
            report.error = "Owner data of machine " + serialText(serial) +
                           " not sent to the central store: " + store_.lastError();
            report.log.push_back(report.error);
            return false;
        }
        if (updated) {
            state_.SetOwner(serial, store.version + 1, digestOf(here));
            ++report.ownerPushed;
            return true;
        }
    }
    report.conflicts.push_back({serial, here, store.owner, store.version});
    report.log.push_back("Owner data of machine " + serialText(serial) +
                         " were changed here and in the central store: the dealer chooses");
    return true;
}

bool CentralSync::setLocalOwner(std::uint32_t serial, const Owner& owner, std::vector<std::string>& log) {
    MachineEntry* entry = database_.FindBySerial(serial);
    if (!entry || !database_.Open(*entry, log))
        return false;
    entry->machine().SetName(owner.name);
    entry->machine().SetFirstName(owner.firstName);
    entry->machine().SetAddress(owner.address);
    return database_.Save(*entry, log);
}

bool CentralSync::Resolve(const Conflict& conflict, bool keepLocal, std::string& error) {
    if (!loadState()) {
        error = "The central store cannot be read: " + store_.lastError();
        return false;
    }
    std::vector<std::string> log;
    if (keepLocal) {
        bool updated = false;
        if (!updateStoreOwner(conflict.serial, conflict.local, conflict.storeVersion, updated)) {
            error = "The central store cannot be written: " + store_.lastError();
            return false;
        }
        if (!updated) {
            error = "The owner data in the central store changed again: synchronise to compare them anew";
            return false;
        }
        state_.SetOwner(conflict.serial, conflict.storeVersion + 1, digestOf(conflict.local));
    } else {
        if (!setLocalOwner(conflict.serial, conflict.store, log)) {
            error = log.empty() ? "The machine file cannot be written" : log.back();
            return false;
        }
        state_.SetOwner(conflict.serial, conflict.storeVersion, digestOf(conflict.store));
    }
    if (!state_.Save(database_.directory())) {
        error = "Central store state not written: " + state_.error();
        return false;
    }
    return true;
}
