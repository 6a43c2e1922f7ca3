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
    std::size_t count = 0;       // records in the store
    std::int64_t commentSum = 0; // of the records' comment versions
    // Read only for the machines compared, in ascending time.
    std::vector<std::int64_t> times, commentVersions;
    std::vector<std::optional<std::string>> comments; // Windows-1252; none: not held by this program
};

// What a synchronisation needs of a machine of the folder, copied out where the database lives.
struct CentralSync::LocalMachine {
    std::uint32_t serial = 0;
    bool inUse = false;
    std::uint8_t typeCode = 0, year = 0, factoryFlag = 0;
    std::int32_t machineNumber = 0;
    Owner owner;
    std::vector<std::int64_t> times; // ascending
    std::vector<std::string> comments;
    struct Block {
        std::int64_t time = 0;
        std::string bytes, comment;
    };
    std::vector<Block> missing; // the records the store lacks, as the machine file stores them
};

namespace {

std::string serialText(std::uint32_t serial) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", serial);
    return text;
}

// A binary integer column (int4 or int8) as the server sends it.
std::int64_t bigEndian(std::string_view bytes) {
    std::uint64_t value = 0;
    for (unsigned char c : bytes.substr(0, 8))
        value = (value << 8) | c;
    return bytes.size() == 4 ? static_cast<std::int32_t>(value) : static_cast<std::int64_t>(value);
}

std::uint64_t digestOf(const CentralSync::Owner& owner) {
    return CentralState::Digest(owner.name, owner.firstName, owner.address);
}

CentralSync::Owner ownerOf(const FXUMowerLog& machine) {
    return {machine.name(), machine.firstName(), machine.address()};
}

const char* const kClosing = "The synchronisation was stopped: the program is closing";

std::string recordText(std::uint32_t serial, std::int64_t time) {
    return "Comment of record " + std::to_string(time) + " of machine " + serialText(serial);
}

} // namespace

CentralSync::CentralSync(MachineDatabase& database, PgConnection& store, std::string workshop, Local local)
    : database_(database), store_(store), workshop_(std::move(workshop)), local_(std::move(local)) {}

CentralSync::~CentralSync() = default;

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

bool CentralSync::onLocal(const std::function<void()>& task, Report& report) {
    if (!local_.run) {
        task();
        return true;
    }
    if (local_.run(task))
        return true;
    report.ok = false;
    report.error = kClosing;
    report.log.push_back(report.error);
    return false;
}

bool CentralSync::unchanged(const std::string& fileName, std::uint32_t serial,
                            const StoreMachine& store) const {
    const CentralState::Agreed* agreed = state_.Find(serial);
    if (!agreed || agreed->count == 0 || agreed->count != store.count || agreed->version != store.version ||
        agreed->comments != store.commentSum)
        return false;
    const std::optional<FileStamp> now = stampOf(fileName);
    return now && *now == agreed->file;
}

void CentralSync::agreeRecords(const MachineEntry& entry, const StoreMachine* store) {
    // Without the store's sum of comment versions the machine is compared again next time.
    if (const std::optional<FileStamp> now = stampOf(entry.fileName()))
        state_.SetRecords(entry.serialNumber(), *now, entry.machine().Count(),
                          store ? store->commentSum : -1);
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
                                      "m.factory_flag, m.name, m.first_name, m.address, m.owner_version, "
                                      "count(r.time), coalesce(sum(r.comment_version), 0) FROM machines m "
                                      "LEFT JOIN records r ON r.serial = m.serial GROUP BY m.serial");
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
        machine.commentSum = machines->number(row, 10);
    }

    // The list grows while new machines come down: walk the entries as they were. Those that match the
    // store since the last synchronisation are not read; the record times of the others come in one query.
    struct Listed {
        MachineEntry* entry;
        std::uint32_t serial;
        std::string fileName;
    };
    std::vector<Listed> listed;
    if (!onLocal(
            [&] {
                for (MachineEntry* entry : database_.entries())
                    listed.push_back({entry, entry->serialNumber(), entry->fileName()});
            },
            report))
        return report;
    std::unordered_set<std::uint32_t> seen;
    std::vector<const Listed*> compared;
    std::string serials = "{";
    for (const Listed& item : listed) {
        const auto found = store.find(item.serial);
        if (found != store.end() && unchanged(item.fileName, item.serial, found->second)) {
            seen.insert(item.serial);
            continue;
        }
        compared.push_back(&item);
        if (found != store.end())
            serials += (serials.size() > 1 ? "," : "") + std::to_string(item.serial);
    }
    if (serials.size() > 1) {
        const auto times = store_.Exec("SELECT serial, time, comment_version, comment FROM records WHERE "
                                       "serial = ANY($1::bigint[]) ORDER BY serial, time",
                                       {PgConnection::Param{serials + "}"}});
        if (!times)
            return stop("The central store's records cannot be read");
        for (int row = 0; row < times->rows(); ++row) {
            const auto found = store.find(static_cast<std::uint32_t>(times->number(row, 0)));
            if (found == store.end())
                continue;
            found->second.times.push_back(times->number(row, 1));
            found->second.commentVersions.push_back(times->number(row, 2));
            found->second.comments.push_back(local(times->value(row, 3)));
        }
    }

    const std::size_t total = compared.size() + store.size();
    std::size_t done = 0;
    for (const Listed* item : compared) {
        if (progress)
            progress(done, total);
        ++done;
        const std::uint32_t serial = item->serial;
        const auto found = store.find(serial);
        StoreMachine* known = found == store.end() ? nullptr : &found->second;
        LocalMachine here;
        bool opened = false;
        if (!onLocal(
                [&] {
                    MachineEntry& entry = *item->entry;
                    opened = database_.Open(entry, report.log);
                    if (!opened)
                        return; // logged; it is compared again next time
                    const FXUMowerLog& machine = entry.machine();
                    here.serial = serial;
                    here.inUse = local_.inUse && local_.inUse(serial);
                    here.typeCode = machine.typeCode();
                    here.year = machine.year();
                    here.factoryFlag = machine.factoryFlag();
                    here.machineNumber = machine.machineNumber();
                    here.owner = ownerOf(machine);
                    for (const auto& [time, record] : machine.records()) {
                        const std::int64_t key = TimeKey(time);
                        here.times.push_back(key);
                        here.comments.push_back(record->comment());
                        if (known && std::binary_search(known->times.begin(), known->times.end(), key))
                            continue;
                        std::ostringstream block;
                        record->WriteRecord(block);
                        here.missing.push_back({key, block.str(), record->comment()});
                    }
                },
                report))
            return report;
        if (!opened)
            continue;
        seen.insert(serial);
        clean_ = true;
        const std::size_t conflicts = report.conflicts.size();
        if (!known) {
            StoreMachine entered;
            if (!pushMachine(here, entered, true, report))
                return report;
            // Another workshop may have entered the machine meanwhile: its owner data and comments are then
            // compared next time.
            if (insertedMachine_)
                state_.SetOwner(serial, 1, digestOf(here.owner));
            if (!onLocal([&] { agreeRecords(*item->entry, insertedMachine_ ? &entered : nullptr); }, report))
                return report;
            continue;
        }
        if (!here.missing.empty() && !pushMachine(here, *known, false, report))
            return report;
        std::vector<std::int64_t> wanted;
        std::set_difference(known->times.begin(), known->times.end(), here.times.begin(), here.times.end(),
                            std::back_inserter(wanted));
        if (!wanted.empty() && !pullRecords(serial, *known, &wanted, report))
            return report;
        if (here.inUse) {
            clean_ = false; // compared again when no window holds it: at the next start
        } else if (!reconcileOwner(here, *known, report) || !reconcileComments(here, *known, report)) {
            return report;
        }
        if (clean_ && report.conflicts.size() == conflicts &&
            !onLocal([&] { agreeRecords(*item->entry, known); }, report))
            return report;
    }
    for (const auto& [serial, machine] : store) {
        if (progress)
            progress(done, total);
        ++done;
        if (seen.count(serial))
            continue;
        bool here = false;
        if (!onLocal([&, serial = serial] { here = database_.FindBySerial(serial) != nullptr; }, report))
            return report;
        if (!here && !pullRecords(serial, machine, nullptr, report))
            return report;
    }
    if (progress)
        progress(total, total);
    if (!state_.Save(database_.directory()))
        report.log.push_back("Central store state not written: " + state_.error());
    return report;
}

bool CentralSync::pushMachine(const LocalMachine& machine, StoreMachine& counts, bool withMachine,
                              Report& report) {
    auto fail = [&](const std::string& what) {
        report.ok = false;
        report.error = what + " " + serialText(machine.serial) + ": " + store_.lastError();
        report.log.push_back(report.error);
        store_.Run("ROLLBACK");
        return false;
    };
    using Param = PgConnection::Param;
    const std::string serialParam = std::to_string(machine.serial);
    if (!store_.Run("BEGIN"))
        return fail("Machine not sent to the central store");
    if (withMachine) {
        const auto inserted = store_.Exec(
            "INSERT INTO machines (serial, type_code, year, machine_number, factory_flag, name, first_name, "
            "address, updated_by) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9) ON CONFLICT DO NOTHING",
            {Param{serialParam}, Param{std::to_string(machine.typeCode)}, Param{std::to_string(machine.year)},
             Param{std::to_string(machine.machineNumber)}, Param{std::to_string(machine.factoryFlag)},
             Param{utf8(machine.owner.name)}, Param{utf8(machine.owner.firstName)},
             Param{utf8(machine.owner.address)}, Param{workshop_}});
        if (!inserted)
            return fail("Machine not sent to the central store");
        insertedMachine_ = inserted->affected() == 1;
    }
    std::vector<std::size_t> pushed; // of machine.missing, those the store took
    const auto& records = machine.missing;
    for (std::size_t first = 0; first < records.size(); first += kBatchRows) {
        const std::size_t end = std::min(records.size(), first + kBatchRows);
        std::string sql = "INSERT INTO records (serial, time, block, comment, filed_by) VALUES ";
        std::vector<Param> params;
        for (std::size_t i = first; i < end; ++i) {
            const std::size_t p = params.size();
            sql += (i == first ? "(" : ", (");
            for (std::size_t k = 1; k <= 5; ++k)
                sql += "$" + std::to_string(p + k) + (k == 5 ? ")" : ", ");
            params.push_back(Param{serialParam});
            params.push_back(Param{std::to_string(records[i].time)});
            params.push_back(Param{records[i].bytes, true});
            params.push_back(Param{utf8(records[i].comment)});
            params.push_back(Param{workshop_});
        }
        sql += " ON CONFLICT DO NOTHING RETURNING time";
        const auto inserted = store_.Exec(sql, params);
        if (!inserted)
            return fail("Records not sent to the central store for machine");
        // The blocks are in ascending time, as the machine holds its records.
        for (int row = 0; row < inserted->rows(); ++row) {
            const std::int64_t time = inserted->number(row, 0);
            const auto at = std::lower_bound(
                records.begin() + static_cast<std::ptrdiff_t>(first),
                records.begin() + static_cast<std::ptrdiff_t>(end), time,
                [](const LocalMachine::Block& block, std::int64_t t) { return block.time < t; });
            if (at != records.end() && at->time == time)
                pushed.push_back(static_cast<std::size_t>(at - records.begin()));
        }
    }
    if (!store_.Run("COMMIT"))
        return fail("Records not sent to the central store for machine");
    // A record another workshop sent first keeps its comment there: compared next time.
    for (std::size_t i : pushed)
        state_.SetComment(machine.serial, records[i].time, 1, CentralState::Digest(records[i].comment));
    report.pushedRecords += pushed.size();
    counts.count += pushed.size();
    counts.commentSum += static_cast<std::int64_t>(pushed.size());
    if (pushed.size() != records.size())
        clean_ = false;
    return true;
}

bool CentralSync::pullRecords(std::uint32_t serial, const StoreMachine& machine,
                              const std::vector<std::int64_t>* times, Report& report) {
    if (!times)
        clean_ = true;
    using Param = PgConnection::Param;
    const char* const columns = "SELECT time, block, comment, comment_version FROM records WHERE serial = $1";
    std::optional<PgResult> rows;
    if (times) {
        std::string list = "{";
        for (std::int64_t time : *times)
            list += (list.size() > 1 ? "," : "") + std::to_string(time);
        list += "}";
        rows = store_.Exec(std::string(columns) + " AND time = ANY($2::bigint[])",
                           {Param{std::to_string(serial)}, Param{list}}, true);
    } else {
        rows = store_.Exec(columns, {Param{std::to_string(serial)}}, true);
    }
    if (!rows) {
        report.ok = false;
        report.error = "Records of machine " + serialText(serial) +
                       " not read from the central store: " + store_.lastError();
        report.log.push_back(report.error);
        return false;
    }
    auto incoming = std::make_unique<FXUMowerLog>();
    std::unordered_map<std::int64_t, CentralState::AgreedComment> agreements;
    for (int row = 0; row < rows->rows(); ++row) {
        const std::int64_t time = bigEndian(rows->value(row, 0));
        std::unique_ptr<FXULog> record = ParseBlock(rows->value(row, 1), machine.typeCode);
        if (!record || TimeKey(record->logTime()) != time) {
            clean_ = false;
            report.log.push_back("Record " + std::to_string(time) + " of machine " + serialText(serial) +
                                 " in the central store is no valid record block: left out");
            continue;
        }
        // The block keeps the comment as the record was filed; the column has its latest version.
        if (const std::optional<std::string> comment = local(rows->value(row, 2))) {
            record->SetComment(*comment);
            agreements[time] = {bigEndian(rows->value(row, 3)), CentralState::Digest(*comment)};
        } else {
            clean_ = false;
        }
        const FXULogTime key = record->logTime();
        incoming->Insert(key, record);
    }
    if (incoming->Count() == 0)
        return true;
    const std::size_t count = incoming->Count();
    std::vector<FXULogTime> added;
    MachineEntry* created = nullptr;
    if (!onLocal(
            [&] {
                if (MachineEntry* entry = database_.FindBySerial(serial)) {
                    MachineDatabase::MergeReport merged = database_.Merge(*entry, *incoming);
                    report.log.insert(report.log.end(), merged.save.log.begin(), merged.save.log.end());
                    clean_ = clean_ && merged.opened && merged.save.saved && merged.added.size() == count;
                    report.pulledRecords += merged.added.size();
                    added = merged.added;
                    if (!added.empty() && local_.changed)
                        local_.changed(*entry, added);
                    return;
                }
                if (!machine.ownerReadable) {
                    report.log.push_back("Machine " + serialText(serial) +
                                         " in the central store has owner data this program cannot hold: "
                                         "left out");
                    return;
                }
                incoming->SetTypeCode(machine.typeCode);
                incoming->SetYear(machine.year);
                incoming->SetMachineNumber(machine.machineNumber);
                incoming->SetFactoryFlag(machine.factoryFlag);
                incoming->SetName(machine.owner.name);
                incoming->SetFirstName(machine.owner.firstName);
                incoming->SetAddress(machine.owner.address);
                for (const auto& [time, record] : incoming->records())
                    added.push_back(time);
                MachineDatabase::CreateReport made = database_.Create(std::move(incoming));
                report.log.insert(report.log.end(), made.log.begin(), made.log.end());
                if (!made.entry || !made.save.saved) {
                    added.clear();
                    return;
                }
                created = made.entry;
                ++report.newMachines;
                report.pulledRecords += count;
                if (local_.changed)
                    local_.changed(*created, added);
                if (clean_)
                    agreeRecords(*created, &machine);
            },
            report))
        return false;
    for (const FXULogTime& time : added)
        if (const auto found = agreements.find(TimeKey(time)); found != agreements.end())
            state_.SetComment(serial, found->first, found->second.version, found->second.digest);
    if (created)
        state_.SetOwner(serial, machine.version, digestOf(machine.owner));
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

bool CentralSync::updateStoreComment(std::uint32_t serial, std::int64_t time, const std::string& comment,
                                     std::int64_t version, bool& updated) {
    using Param = PgConnection::Param;
    const auto result = store_.Exec("UPDATE records SET comment = $3, comment_version = comment_version + 1 "
                                    "WHERE serial = $1 AND time = $2 AND comment_version = $4",
                                    {Param{std::to_string(serial)}, Param{std::to_string(time)},
                                     Param{utf8(comment)}, Param{std::to_string(version)}});
    updated = result && result->affected() == 1;
    return result.has_value();
}

bool CentralSync::reconcileOwner(const LocalMachine& machine, const StoreMachine& store, Report& report) {
    const std::uint32_t serial = machine.serial;
    const Owner& here = machine.owner;
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
        bool set = false;
        if (!onLocal([&] { set = setLocalOwner(serial, store.owner, &here, report.log); }, report))
            return false;
        if (set) {
            state_.SetOwner(serial, store.version, digestOf(store.owner));
            ++report.ownerPulled;
        } else {
            clean_ = false;
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
    report.conflicts.push_back({serial, 0, here, store.owner, {}, {}, store.version});
    report.log.push_back("Owner data of machine " + serialText(serial) +
                         " were changed here and in the central store: the dealer chooses");
    return true;
}

bool CentralSync::reconcileComments(const LocalMachine& machine, StoreMachine& store, Report& report) {
    const std::uint32_t serial = machine.serial;
    for (std::size_t i = 0; i < store.times.size(); ++i) {
        const std::int64_t time = store.times[i];
        const auto at = std::lower_bound(machine.times.begin(), machine.times.end(), time);
        if (at == machine.times.end() || *at != time)
            continue; // came down just now, its comment with it
        const std::string& here = machine.comments[static_cast<std::size_t>(at - machine.times.begin())];
        const std::optional<std::string>& there = store.comments[i];
        const std::int64_t version = store.commentVersions[i];
        if (!there) {
            clean_ = false;
            report.log.push_back(recordText(serial, time) +
                                 " in the central store has letters this program cannot hold: left as it is");
            continue;
        }
        if (here == *there) {
            state_.SetComment(serial, time, version, CentralState::Digest(here));
            continue;
        }
        const CentralState::AgreedComment* agreed = state_.FindComment(serial, time);
        if (agreed && agreed->digest == CentralState::Digest(here)) {
            bool set = false;
            if (!onLocal([&] { set = setLocalComment(serial, time, *there, &here, report.log); }, report))
                return false;
            if (set) {
                state_.SetComment(serial, time, version, CentralState::Digest(*there));
                ++report.commentsPulled;
            } else {
                clean_ = false;
            }
            continue;
        }
        if (agreed && agreed->version == version) {
            bool updated = false;
            if (!updateStoreComment(serial, time, here, version, updated)) {
                report.ok = false;
                report.error =
                    recordText(serial, time) + " not sent to the central store: " + store_.lastError();
                report.log.push_back(report.error);
                return false;
            }
            if (updated) {
                state_.SetComment(serial, time, version + 1, CentralState::Digest(here));
                ++store.commentSum;
                ++report.commentsPushed;
                continue;
            }
        }
        report.conflicts.push_back({serial, time, {}, {}, here, *there, version});
        report.log.push_back(recordText(serial, time) +
                             " was changed here and in the central store: the dealer chooses");
    }
    return true;
}

bool CentralSync::editLocal(std::uint32_t serial, const std::function<bool(FXUMowerLog&)>& edit,
                            std::vector<std::string>& log) {
    MachineEntry* entry = database_.FindBySerial(serial);
    if (!entry || (local_.inUse && local_.inUse(serial)) || !database_.Open(*entry, log))
        return false;
    if (!edit(entry->machine()))
        return false; // edited here meanwhile: compared anew next time
    const bool saved = database_.Save(*entry, log);
    if (local_.changed)
        local_.changed(*entry, {});
    return saved;
}

bool CentralSync::setLocalOwner(std::uint32_t serial, const Owner& owner, const Owner* expected,
                                std::vector<std::string>& log) {
    return editLocal(
        serial,
        [&](FXUMowerLog& machine) {
            if (expected && !(ownerOf(machine) == *expected))
                return false;
            machine.SetName(owner.name);
            machine.SetFirstName(owner.firstName);
            machine.SetAddress(owner.address);
            return true;
        },
        log);
}

bool CentralSync::setLocalComment(std::uint32_t serial, std::int64_t time, const std::string& comment,
                                  const std::string* expected, std::vector<std::string>& log) {
    return editLocal(
        serial,
        [&](FXUMowerLog& machine) {
            for (const auto& [when, record] : machine.records()) {
                if (TimeKey(when) != time)
                    continue;
                if (expected && record->comment() != *expected)
                    return false;
                record->SetComment(comment);
                return true;
            }
            return false;
        },
        log);
}

bool CentralSync::Resolve(const Conflict& conflict, bool keepLocal, std::string& error) {
    if (!loadState()) {
        error = "The central store cannot be read: " + store_.lastError();
        return false;
    }
    const bool comment = conflict.record != 0;
    if (keepLocal) {
        bool updated = false;
        const bool written =
            comment ? updateStoreComment(conflict.serial, conflict.record, conflict.localComment,
                                         conflict.storeVersion, updated)
                    : updateStoreOwner(conflict.serial, conflict.local, conflict.storeVersion, updated);
        if (!written) {
            error = "The central store cannot be written: " + store_.lastError();
            return false;
        }
        if (!updated) {
            error = "The central store changed again: synchronise to compare anew";
            return false;
        }
        if (comment)
            state_.SetComment(conflict.serial, conflict.record, conflict.storeVersion + 1,
                              CentralState::Digest(conflict.localComment));
        else
            state_.SetOwner(conflict.serial, conflict.storeVersion + 1, digestOf(conflict.local));
    } else {
        Report report;
        bool set = false;
        if (!onLocal(
                [&] {
                    set = comment
                              ? setLocalComment(conflict.serial, conflict.record, conflict.storeComment,
                                                &conflict.localComment, report.log)
                              : setLocalOwner(conflict.serial, conflict.store, &conflict.local, report.log);
                },
                report) ||
            !set) {
            error = report.log.empty() ? "The machine file cannot be written or changed meanwhile: "
                                         "synchronise to compare anew"
                                       : report.log.back();
            return false;
        }
        if (comment)
            state_.SetComment(conflict.serial, conflict.record, conflict.storeVersion,
                              CentralState::Digest(conflict.storeComment));
        else
            state_.SetOwner(conflict.serial, conflict.storeVersion, digestOf(conflict.store));
    }
    if (!state_.Save(database_.directory())) {
        error = "Central store state not written: " + state_.error();
        return false;
    }
    return true;
}
