#include "core/history/FXUMowerLog.h"

#include "core/base/Assert.h"
#include "core/base/ByteOrder.h"
#include "core/base/StreamFailure.h"
#include "core/history/MachineModels.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ios>
#include <istream>
#include <ostream>
#include <stdexcept>

namespace {

[[noreturn]] void corrupt(const std::string& what) {
    throw StreamFailure("machine file: " + what);
}

// A stream without exceptions would stop silently at the end; a short read must refuse the file either way.
void readBytes(std::istream& in, char* data, std::size_t size, const char* field) {
    std::streamsize got = 0;
    try {
        in.read(data, static_cast<std::streamsize>(size));
        got = in.gcount();
    } catch (const std::ios_base::failure&) {
        got = in.gcount();
    }
    if (static_cast<std::size_t>(got) != size)
        corrupt(std::string("ends inside the ") + field);
}

template <std::size_t N> std::array<std::uint8_t, N> readField(std::istream& in, const char* field) {
    std::array<std::uint8_t, N> bytes{};
    readBytes(in, reinterpret_cast<char*>(bytes.data()), N, field);
    return bytes;
}

std::uint8_t readU8(std::istream& in, const char* field) {
    return readField<1>(in, field)[0];
}
std::uint16_t readLE16(std::istream& in, const char* field) {
    return byteorder::getLE16(readField<2>(in, field).data());
}
std::uint32_t readLE32(std::istream& in, const char* field) {
    return byteorder::getLE32(readField<4>(in, field).data());
}

std::string readText(std::istream& in, const char* field) {
    const std::uint16_t length = readLE16(in, field);
    if (length > FXUMowerLog::kMaxOwnerText)
        corrupt(std::string("the ") + field + " is " + std::to_string(length) + " bytes long, more than " +
                std::to_string(FXUMowerLog::kMaxOwnerText));
    std::string text(length, '\0');
    readBytes(in, text.data(), length, field);
    return text;
}

std::string recordName(std::size_t index, std::size_t count) {
    return "record " + std::to_string(index + 1) + " of " + std::to_string(count);
}

// One way of reading a record block: the header form and the reading of the bytes after the image.
struct Reading {
    FXULog::HeaderForm form = FXULog::HeaderForm::Plain;
    FXULog::ExtraReading extra = FXULog::ExtraReading::Rule;
};

// One record being read: where its block starts and the ways to read it, in the order to try: the form the
// header picks with the rule's reading, then with the block reading, then the other form the same two ways.
struct Attempt {
    std::streampos start;
    std::array<Reading, 4> readings{};
    std::size_t tried = 0;
};

void noteFirst(std::string& firstError, const std::string& what) {
    if (firstError.empty())
        firstError = what;
}

// The block at the stream's position, judged from the bytes the header test looks at; none left to try
// when fewer than those remain.
Attempt startAttempt(std::istream& in, const std::string& name, std::string& firstError) {
    in.clear();
    Attempt attempt{in.tellg()};
    char header[FXULog::kHeaderTestBytes];
    std::streamsize got = 0;
    try {
        in.read(header, sizeof header);
        got = in.gcount();
    } catch (const std::ios_base::failure&) {
        got = in.gcount();
    }
    if (got == static_cast<std::streamsize>(sizeof header)) {
        const auto forms = FXULog::HeaderForms(reinterpret_cast<const std::uint8_t*>(header));
        for (std::size_t i = 0; i < attempt.readings.size(); ++i)
            attempt.readings[i] = {forms[i / 2],
                                   i % 2 == 0 ? FXULog::ExtraReading::Rule : FXULog::ExtraReading::Block};
    } else {
        attempt.tried = attempt.readings.size();
        noteFirst(firstError, name + ": history record ends early");
    }
    return attempt;
}

// The block passed over in the next of its ways that reads at all; false when none is left or reads runs
// out. A block reading that would read what the rule reads is no way of its own and costs no read.
bool skimInNextWay(std::istream& in, Attempt& attempt, std::size_t& reads, const std::string& name,
                   std::string& firstError) {
    while (attempt.tried < attempt.readings.size() && reads > 0) {
        --reads;
        in.clear();
        in.seekg(attempt.start);
        const Reading reading = attempt.readings[attempt.tried++];
        try {
            if (FXULog::SkimRecord(in, reading.form, reading.extra))
                return true;
            ++reads;
        } catch (const std::ios_base::failure& error) {
            noteFirst(firstError, name + ": " + error.what());
        }
    }
    return false;
}

// Where each of the count records that follow lies and how it is read: in one of the ways its header and
// the bytes after its image allow. Which way is right can only show in what follows it: when the records
// after a way cannot be read, or (toEnd) do not end exactly at the end of the stream, the next way of the
// latest record that still has one is tried. A file holds one consistent sequence of blocks; a wrong way
// misplaces everything after it. Blocks are only passed over, so trying costs neither memory nor decoding.
std::vector<Attempt> findRecords(std::istream& in, std::uint16_t count, bool toEnd) {
    std::vector<Attempt> attempts; // one per record placed, in file order; the last one may be unplaced
    std::size_t placed = 0;
    std::string firstError; // what went wrong on the first way tried: the one reported
    // Enough for every ambiguous record to be tried all four ways, never endless on hostile input.
    std::size_t reads = 4 * std::size_t{count} + 128;
    for (;;) {
        if (placed < count) {
            const std::string name = recordName(placed, count);
            if (attempts.size() == placed)
                attempts.push_back(startAttempt(in, name, firstError));
            if (skimInNextWay(in, attempts[placed], reads, name, firstError)) {
                ++placed;
                continue;
            }
        } else if (!toEnd || in.peek() == std::char_traits<char>::eof()) {
            return attempts;
        } else if (firstError.empty()) {
            in.clear();
            const std::streampos last = in.tellg();
            in.seekg(0, std::ios_base::end);
            firstError =
                "bytes after the last record: " + std::to_string(static_cast<long long>(in.tellg() - last));
        }
        // Back to the latest record that has a way left to try.
        while (!attempts.empty() && attempts.back().tried == attempts.back().readings.size())
            attempts.pop_back();
        if (attempts.empty() || reads == 0)
            corrupt(firstError);
        placed = attempts.size() - 1;
    }
}

void appendU8(std::string& out, std::uint8_t value) {
    out.push_back(static_cast<char>(value));
}
void appendLE16(std::string& out, std::uint16_t value) {
    std::array<std::uint8_t, 2> bytes{};
    byteorder::putLE16(bytes.data(), value);
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
void appendLE32(std::string& out, std::uint32_t value) {
    std::array<std::uint8_t, 4> bytes{};
    byteorder::putLE32(bytes.data(), value);
    out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void checkWritable(const std::string& text, const char* field) {
    if (text.size() > FXUMowerLog::kMaxOwnerText)
        throw StreamFailure(std::string("cannot store the machine: the ") + field + " is " +
                            std::to_string(text.size()) + " bytes long, more than " +
                            std::to_string(FXUMowerLog::kMaxOwnerText));
}

} // namespace

FXUMowerLog::~FXUMowerLog() = default;

const FXULog* FXUMowerLog::newest() const {
    return records_.empty() ? nullptr : records_.rbegin()->second.get();
}

void FXUMowerLog::refreshFromNewest(bool withBootloader) {
    // With no record left there is nothing newer to copy: the machine keeps what it showed.
    if (const FXULog* record = newest()) {
        serialNumber_ = record->serialNumber();
        firmwareVersion_ = record->firmwareVersion();
        typeByte_ = record->typeByte();
        if (withBootloader)
            bootloaderVersion_ = record->bootloaderVersion();
    }
}

bool FXUMowerLog::Insert(const FXULogTime& time, std::unique_ptr<FXULog>& record) {
    OSK_ASSERT(record != nullptr, "Class/FXUMowerLog");
    if (records_.contains(time))
        return false;
    LogTimeVect.push_back(time);
    try {
        records_.emplace(time, std::move(record));
    } catch (...) {
        LogTimeVect.pop_back();
        throw;
    }
    refreshFromNewest();
    return true;
}

void FXUMowerLog::DropRecords() {
    records_.clear();
    LogTimeVect.clear();
    LogTimeVect.shrink_to_fit();
}

std::unique_ptr<FXULog> FXUMowerLog::Remove(const FXULogTime& time) {
    const auto found = records_.find(time);
    if (found == records_.end())
        return nullptr;
    const auto l_It = std::find(LogTimeVect.begin(), LogTimeVect.end(), time);
    // clang-format off
    OSK_ASSERT(l_It!=LogTimeVect.end(), "Class/FXUMowerLog"); // the text is what the assertion prints
    // clang-format on
    LogTimeVect.erase(l_It);
    std::unique_ptr<FXULog> record = std::move(found->second);
    records_.erase(found);
    refreshFromNewest();
    return record;
}

FXULog& FXUMowerLog::Find(const FXULogTime& time) {
    return const_cast<FXULog&>(static_cast<const FXUMowerLog&>(*this).Find(time));
}

const FXULog& FXUMowerLog::Find(const FXULogTime& time) const {
    const auto found = records_.find(time);
    if (found == records_.end())
        throw std::range_error("erreur de cl\xe9");
    return *found->second;
}

std::pair<FXULogTime, FXULog*> FXUMowerLog::At(std::size_t index) {
    if (index >= LogTimeVect.size())
        throw std::out_of_range("vector");
    const FXULogTime& time = LogTimeVect[index];
    const auto found = records_.find(time);
    if (found == records_.end())
        throw std::range_error("Prob base de donn\xe9"
                               "e");
    return {time, found->second.get()};
}

void FXUMowerLog::Merge(FXUMowerLog& other) {
    std::vector<FXULogTime> kept;
    for (const FXULogTime& time : other.LogTimeVect) {
        if (records_.contains(time)) {
            kept.push_back(time);
            continue;
        }
        auto node = other.records_.extract(time);
        Insert(time, node.mapped());
    }
    other.LogTimeVect = std::move(kept);
    other.refreshFromNewest();
}

std::string FXUMowerLog::MachineNumberText() const {
    std::string text = MachineModels::numberPrefix(typeCode_);
    char part[32];
    if (MachineModels::hasYearPart(typeCode_)) {
        std::snprintf(part, sizeof part, "-%2.2d-", year_);
        text += part;
    }
    std::snprintf(part, sizeof part, "%4.4d", static_cast<int>(machineNumber_));
    text += part;
    if (factoryFlag_ == 0)
        text += "-B";
    return text;
}

void FXUMowerLog::ReadFromStream(std::istream& in, bool toEnd, bool newestOnly) {
    // Everything goes into a fresh collection first, so that a refused file changes nothing here.
    FXUMowerLog loaded;
    // A file may carry four bytes before its format byte; neither their values nor its own are used.
    if (readU8(in, "format byte") > 1) {
        readField<3>(in, "leading bytes");
        readU8(in, "format byte");
    }
    loaded.serialNumber_ = readLE32(in, "serial number");
    loaded.name_ = readText(in, "owner's name");
    loaded.firstName_ = readText(in, "owner's first name");
    loaded.address_ = readText(in, "owner's address");
    loaded.typeCode_ = readU8(in, "type code");
    loaded.year_ = readU8(in, "year");
    loaded.machineNumber_ = static_cast<std::int32_t>(readLE32(in, "machine number"));
    loaded.factoryFlag_ = readU8(in, "factory flag");
    const std::uint16_t count = readLE16(in, "record count");
    // A machine exists only with the record that introduced it; without one its copies have no source.
    if (count == 0)
        corrupt("the record count is 0");

    std::vector<Attempt> places = findRecords(in, count, toEnd);
    if (newestOnly && places.size() > 1) {
        // Of records of the same time the first is the one a whole read keeps.
        std::size_t newest = 0;
        FXULogTime newestTime(0, 0, 0, 0, 0, 0);
        for (std::size_t i = 0; i < places.size(); ++i) {
            in.clear();
            in.seekg(places[i].start);
            const Reading reading = places[i].readings[places[i].tried - 1];
            FXULogTime time(0, 0, 0, 0, 0, 0);
            FXULog::SkimRecord(in, reading.form, reading.extra, &time);
            if (i == 0 || newestTime < time) {
                newest = i;
                newestTime = time;
            }
        }
        places = {places[newest]};
    }
    for (const Attempt& place : places) {
        in.clear();
        in.seekg(place.start);
        // Its time comes from the block; asking the clock for every record costs more than the read.
        auto record = std::make_unique<FXULog>(FXULogTime(0, 0, 0, 0, 0, 0));
        const Reading reading = place.readings[place.tried - 1];
        if (!record->ReadRecord(in, reading.form, reading.extra))
            corrupt("a record cannot be read where it was found"); // never: the walk read it this way
        // Old records leave the type code out of the type byte; the machine's code completes them.
        if ((record->typeByte() & 0x0F) == 0)
            record->SetTypeByte(static_cast<std::uint8_t>(record->typeByte() + loaded.typeCode_));
        const FXULogTime time = record->logTime();
        loaded.Insert(time, record); // a second record of the same time is dropped with record
    }
    *this = std::move(loaded);
}

std::optional<std::uint16_t> FXUMowerLog::RecordCountIn(std::string_view bytes) {
    std::size_t at = 0;
    auto take = [&](std::size_t size) -> const std::uint8_t* {
        if (bytes.size() - at < size)
            return nullptr;
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data() + at);
        at += size;
        return p;
    };
    const std::uint8_t* first = take(1);
    if (!first || (*first > 1 && !take(4)) || !take(4))
        return std::nullopt;
    for (int text = 0; text < 3; ++text) {
        const std::uint8_t* length = take(2);
        if (!length || byteorder::getLE16(length) > kMaxOwnerText || !take(byteorder::getLE16(length)))
            return std::nullopt;
    }
    const std::uint8_t* count = take(1 + 1 + 4 + 1) ? take(2) : nullptr;
    if (!count)
        return std::nullopt;
    return byteorder::getLE16(count);
}

void FXUMowerLog::WriteToStream(std::ostream& out) {
    // The bootloader version changes only when records are filed or removed.
    refreshFromNewest(false);
    // Refuse what a reader would refuse, before a single byte goes out.
    checkWritable(name_, "owner's name");
    checkWritable(firstName_, "owner's first name");
    checkWritable(address_, "owner's address");
    if (records_.empty())
        throw StreamFailure("cannot store the machine: it has no record");
    if (records_.size() > kMaxRecords)
        throw StreamFailure("cannot store the machine: " + std::to_string(records_.size()) +
                            " records, more than " + std::to_string(kMaxRecords));

    std::string block;
    appendU8(block, 1);
    appendLE32(block, serialNumber_);
    for (const std::string* text : {&name_, &firstName_, &address_}) {
        appendLE16(block, static_cast<std::uint16_t>(text->size()));
        block += *text;
    }
    appendU8(block, typeCode_);
    appendU8(block, year_);
    appendLE32(block, static_cast<std::uint32_t>(machineNumber_));
    appendU8(block, factoryFlag_);
    appendLE16(block, static_cast<std::uint16_t>(records_.size()));
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
    for (const auto& [time, record] : records_)
        record->WriteRecord(out);
    if (!out)
        throw StreamFailure("cannot write the machine");
}
