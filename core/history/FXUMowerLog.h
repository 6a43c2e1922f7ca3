#pragma once

#include "core/history/FXULog.h"
#include "core/history/FXULogTime.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One machine of the database: its identity, its owner data (Windows-1252 bytes as stored) and all its
// history records by time. The serial number, firmware version, bootloader version and type byte are copies
// of the newest record's, refreshed when records come and go.
class FXUMowerLog {
public:
    using Records = std::map<FXULogTime, std::unique_ptr<FXULog>>;
    static constexpr std::size_t kMaxOwnerText = 256;  // what a reader takes into its buffer
    static constexpr std::size_t kMaxRecords = 0xFFFF; // what the 16-bit record count can say
    // The longest machine block: a leading byte with its 3 bytes and the format byte, the serial number, the
    // three owner texts at their longest with their lengths, type code, year, machine number, factory flag
    // and record count.
    static constexpr std::size_t kMaxMachineBlock =
        5 + 4 + 3 * (2 + kMaxOwnerText) + 1 + 1 + 4 + 1 + 2; // 792

    FXUMowerLog() = default;
    virtual ~FXUMowerLog();
    FXUMowerLog(FXUMowerLog&&) noexcept = default;
    FXUMowerLog& operator=(FXUMowerLog&&) noexcept = default;

    std::size_t Count() const { return records_.size(); }
    // Takes the record (record becomes null) unless a record of an equal time is present: then false, and
    // neither the collection nor record changes.
    bool Insert(const FXULogTime& time, std::unique_ptr<FXULog>& record);
    // Hands the record back to the caller; null when there is none. The copies stay as they were when the
    // last record goes.
    std::unique_ptr<FXULog> Remove(const FXULogTime& time);
    // std::range_error "erreur de clé" when there is no record of that time.
    FXULog& Find(const FXULogTime& time);
    const FXULog& Find(const FXULogTime& time) const;
    // By insertion order. std::out_of_range "vector" beyond the count.
    std::pair<FXULogTime, FXULog*> At(std::size_t index);
    // Takes over the other's records whose times are missing here, in the other's insertion order; the
    // other keeps the rest.
    void Merge(FXUMowerLog& other);
    std::string MachineNumberText() const;

    // The machine block and its records. Both raise std::ios_base::failure, naming what is wrong; a failed
    // read leaves the collection as it was, a refused write writes nothing. With toEnd, the records must end
    // exactly where the stream does, which also settles a record whose header could be read in either form;
    // the stream must then be seekable. With newestOnly, every record is walked (and so checked) as for a
    // whole read, but only the newest is read and kept: what a list of machines shows comes from it.
    void ReadFromStream(std::istream& in, bool toEnd = false, bool newestOnly = false);
    // The record count that a file's first bytes (kMaxMachineBlock of them, or the whole of a shorter file)
    // announce; nothing when they hold no machine block that a reader accepts.
    static std::optional<std::uint16_t> RecordCountIn(std::string_view firstBytes);
    void WriteToStream(std::ostream& out);

    const Records& records() const { return records_; } // ascending time
    const std::vector<FXULogTime>& logTimeVect() const { return LogTimeVect; }

    std::int32_t machineNumber() const { return machineNumber_; }
    std::uint8_t factoryFlag() const { return factoryFlag_; }
    std::uint8_t year() const { return year_; }
    std::uint8_t typeCode() const { return typeCode_; }
    const std::string& name() const { return name_; }
    const std::string& firstName() const { return firstName_; }
    const std::string& address() const { return address_; }
    std::uint32_t serialNumber() const { return serialNumber_; }
    std::uint32_t firmwareVersion() const { return firmwareVersion_; }
    std::uint8_t typeByte() const { return typeByte_; }
    std::uint8_t bootloaderVersion() const { return bootloaderVersion_; }

    // Frees every record; the identity, the owner data and the copies of the newest record stay.
    void DropRecords();
    void SetMachineNumber(std::int32_t value) { machineNumber_ = value; }
    void SetFactoryFlag(std::uint8_t value) { factoryFlag_ = value; }
    void SetYear(std::uint8_t value) { year_ = value; }
    void SetTypeCode(std::uint8_t value) { typeCode_ = value; }
    void SetName(std::string value) { name_ = std::move(value); }
    void SetFirstName(std::string value) { firstName_ = std::move(value); }
    void SetAddress(std::string value) { address_ = std::move(value); }

private:
    const FXULog* newest() const;
    void refreshFromNewest(bool withBootloader = true);

    Records records_;
    std::vector<FXULogTime> LogTimeVect;
    std::int32_t machineNumber_ = 1;
    std::uint8_t factoryFlag_ = 0;
    std::uint8_t year_ = 0;
    std::uint32_t serialNumber_ = 0;
    std::uint32_t firmwareVersion_ = 0;
    std::uint8_t typeByte_ = 0;
    std::uint8_t bootloaderVersion_ = 0;
    std::uint8_t typeCode_ = 4;
    std::string name_;
    std::string firstName_;
    std::string address_;
};
