#pragma once

#include "core/history/FXULog.h"
#include "core/history/FXULogLayout.h"
#include "core/history/FXULogTime.h"
#include "core/history/InfoFrame.h"

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

class FXUMowerLog;

// What a generated history record is made to show.
struct HistoryFeatures {
    int layout = 3;                // 1..3, or 0: a firmware version that no layout accepts
    std::uint8_t hardwareCode = 4; // ident[2]
    std::uint8_t typeCode = 4;     // low four bits of the type byte
    bool extendedHeader = false;
    bool extraBlock = false; // needs a version that has one, so never with layout 0
    bool wrappedRing = false;

    bool operator==(const HistoryFeatures&) const = default;
};

// One generated download: what the machine sends, and the time and comment its record gets.
struct GeneratedHistory {
    InfoFrame frame;
    FXULog::Image image{};
    std::vector<std::uint8_t> extraBlock; // empty when none came
    FXULogTime time{2000, 1, 1, 0, 0, 0};
    std::string comment; // Windows-1252

    // Built as a download builds it, comment included.
    std::unique_ptr<FXULog> makeRecord() const;
    // The .bin file: info frame, image, and the length byte and block when the version has one. A version
    // that has one but came without gets a length byte of 0, so the file is still complete.
    std::vector<std::uint8_t> binFile() const;
};

// Realistic histories and machines from a seed: the same seed gives the same bytes on every platform
// (the C++ standard fixes std::mt19937's sequence; the library's distributions, which it does not fix,
// are not used).
class HistoryGenerator {
public:
    // The machine type codes that name a machine.
    static constexpr std::array<std::uint8_t, 12> kTypeCodes = {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13};
    static constexpr std::array<std::uint8_t, 4> kBootloaders = {0x14, 0x21, 0x22, 0x23};

    explicit HistoryGenerator(std::uint32_t seed);

    // Every combination of layout, hardware code 3 or 4, type code, header form, extra block and ring that
    // a machine can send.
    static std::vector<HistoryFeatures> AllFeatureCombinations();
    static bool Possible(const HistoryFeatures& features) {
        return !(features.extraBlock && features.layout == 0);
    }

    HistoryFeatures randomFeatures();
    // Raises std::invalid_argument for features no machine can send.
    GeneratedHistory history(const HistoryFeatures& features);
    GeneratedHistory history() { return history(randomFeatures()); }
    std::unique_ptr<FXULog> record(const HistoryFeatures& features) { return history(features).makeRecord(); }
    std::unique_ptr<FXULog> record() { return history().makeRecord(); }

    // A machine with owner data and 1..maxRecords records of one serial number, at distinct times.
    std::unique_ptr<FXUMowerLog> machine(int maxRecords = 6);
    std::unique_ptr<FXUMowerLog> machine(int maxRecords, std::uint8_t typeCode);

private:
    // What stays the same across one machine's downloads.
    struct Identity {
        std::array<std::uint8_t, 6> identBytes{};
        std::array<std::uint8_t, 2> extBytes{};
        std::uint8_t typeByte = 0;
        std::uint32_t serialNumber = 0;
        std::uint8_t bootloaderVersion = 0;
    };

    std::unique_ptr<FXUMowerLog> machine(int maxRecords, HistoryFeatures features);
    Identity identity(const HistoryFeatures& features);
    std::uint32_t firmwareVersion(const HistoryFeatures& features, const Identity& id);
    std::uint32_t versionCandidate(int layout, bool extraBlock);
    std::uint32_t exceptionVersion(int layout);
    GeneratedHistory history(const HistoryFeatures& features, const Identity& id, std::uint32_t version,
                             const FXULogTime& time);

    void fillImage(FXULog::Image& image, const FXULogLayout& shape, const HistoryFeatures& features);
    void fillStatistics(FXULog::Image& image);
    void fillParameters(FXULog::Image& image, const FXULogLayout& shape);
    void fillSleep(FXULog::Image& image, const FXULogLayout& shape);
    void fillEvents(FXULog::Image& image, int ringStart, bool wrapped, std::uint8_t typeCode);
    std::vector<std::uint8_t> extraBlock();
    FXULogTime recordTime();
    std::string comment();
    std::string address();

    int uniform(int low, int high); // both included
    bool chance(int percent) { return uniform(1, 100) <= percent; }
    template <typename Table> auto pick(const Table& table) -> decltype(table[0]) {
        return table[static_cast<std::size_t>(uniform(0, static_cast<int>(std::size(table)) - 1))];
    }

    std::mt19937 rng_;
};
