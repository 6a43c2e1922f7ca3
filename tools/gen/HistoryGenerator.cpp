#include "tools/gen/HistoryGenerator.h"

#include "core/base/ByteOrder.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/Cp1252.h"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace {

constexpr int kImageSize = static_cast<int>(FXULog::kImageSize);
constexpr int kEventPointer = 28;
constexpr int kStatisticsOffset = 80;
constexpr std::uint32_t kNewestLayoutVersion = 0x13020101; // gives layout 3

constexpr std::uint8_t event(FXUEventCode code) {
    return static_cast<std::uint8_t>(code);
}

// Plausible bytes per parameter index (the first 11 have names; the rest are small settings).
constexpr std::uint8_t kParameterRange[16][2] = {{20, 80}, {5, 60}, {1, 30}, {0, 20},  {0, 20},   {40, 100},
                                                 {0, 10},  {0, 50}, {0, 3},  {0, 100}, {10, 100}, {0, 9},
                                                 {0, 9},   {0, 9},  {0, 9},  {0, 9}};

// Written here in UTF-8 and stored as Windows-1252 bytes, as the program keeps every text; owners and
// dealers write French, German, Dutch, Italian and Spanish.
constexpr const char* kNames[] = {"Müller",   "Lefèvre", "Gonçalves", "Dupré", "Van den Berg", "Rossi",
                                  "Schröder", "Hoß",     "Martin",    "Núñez", "Löfgren",      "Durand"};
constexpr const char* kFirstNames[] = {"Jürgen", "Hélène", "François", "Zoë",   "José",   "Renée",
                                       "Anna",   "Pieter", "Giulia",   "Björn", "Maëlle", "María"};
constexpr const char* kStreets[] = {"12 rue de l'Église", "Hauptstraße 7",   "Via Roma 21",
                                    "Kerkstraat 3",       "Chemin des Prés", "Calle Mayor 5",
                                    "4 allée des Chênes"};
constexpr const char* kExtraLines[] = {"Bâtiment B", "c/o Golf Club", "Domaine du Château",
                                       "Gewerbegebiet Süd"};
constexpr const char* kCities[] = {"75001 Paris",  "80331 München", "1000 Bruxelles", "20121 Milano",
                                   "3500 Utrecht", "8001 Zürich",   "28013 Madrid",   "69002 Lyon"};
constexpr const char* kComments[] = {"Lames changées",
                                     "Batterie remplacée",
                                     "Révision annuelle",
                                     "Kundendienst: Räder geprüft",
                                     "Contrôle après l'hiver",
                                     "Wire cut near the gate, repaired",
                                     "Nuova scheda, aggiornamento software",
                                     "Maaier gereinigd"};

std::string stored(const char* utf8) {
    return cp1252::fromUtf8(utf8).value();
}

std::uint8_t toBcd(int value) {
    return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

int daysInMonth(int month, int year) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// The machine's own clock for event stamps; the stamps carry no year.
struct EventClock {
    int day;
    int month;
    int hour;
    int minute;

    void advance(int minutes) {
        minute += minutes;
        hour += minute / 60;
        minute %= 60;
        day += hour / 24;
        hour %= 24;
        while (day > daysInMonth(month, 2001)) {
            day -= daysInMonth(month, 2001);
            month = month % 12 + 1;
        }
    }
};

} // namespace

std::unique_ptr<FXULog> GeneratedHistory::makeRecord() const {
    auto record = frame.makeRecord(image.data(), extraBlock.empty() ? nullptr : &extraBlock, time);
    record->SetComment(comment);
    return record;
}

std::vector<std::uint8_t> GeneratedHistory::binFile() const {
    std::vector<std::uint8_t> bytes(frame.identBytes.begin(), frame.identBytes.end());
    if (frame.hasExtBytes)
        bytes.insert(bytes.end(), frame.extBytes.begin(), frame.extBytes.end());
    bytes.insert(bytes.end(), frame.infoBlock.begin(), frame.infoBlock.end());
    bytes.insert(bytes.end(), image.begin(), image.end());
    if (FXULog::HasExtraBlockVersion(frame.firmwareVersion())) {
        bytes.push_back(static_cast<std::uint8_t>(extraBlock.size()));
        bytes.insert(bytes.end(), extraBlock.begin(), extraBlock.end());
    }
    return bytes;
}

HistoryGenerator::HistoryGenerator(std::uint32_t seed) : rng_(seed) {}

int HistoryGenerator::uniform(int low, int high) {
    const auto span = static_cast<std::uint32_t>(high - low) + 1;
    return low + static_cast<int>(rng_() % span);
}

std::vector<HistoryFeatures> HistoryGenerator::AllFeatureCombinations() {
    std::vector<HistoryFeatures> all;
    for (int layout = 0; layout <= 3; ++layout)
        for (std::uint8_t hardware : {std::uint8_t{3}, std::uint8_t{4}})
            for (std::uint8_t type : kTypeCodes)
                for (bool extended : {false, true})
                    for (bool extra : {false, true})
                        for (bool wrapped : {false, true}) {
                            const HistoryFeatures features{layout, hardware, type, extended, extra, wrapped};
                            if (Possible(features))
                                all.push_back(features);
                        }
    return all;
}

HistoryFeatures HistoryGenerator::randomFeatures() {
    HistoryFeatures f;
    // Unknown firmware is rare; the three known layouts are all common in the field.
    const int roll = uniform(1, 100);
    f.layout = roll <= 4 ? 0 : roll <= 34 ? 1 : roll <= 64 ? 2 : 3;
    f.hardwareCode = f.layout == 1 && chance(70) ? 3 : static_cast<std::uint8_t>(uniform(3, 4));
    f.typeCode = pick(kTypeCodes);
    f.extendedHeader = chance(35);
    f.extraBlock = f.layout != 0 && chance(f.layout == 1 ? 20 : 75);
    f.wrappedRing = chance(50);
    return f;
}

HistoryGenerator::Identity HistoryGenerator::identity(const HistoryFeatures& f) {
    Identity id;
    for (auto& byte : id.identBytes)
        byte = static_cast<std::uint8_t>(uniform(0, 255));
    // Byte 1 announces the extended header (9 and up); in layout 1 it also sets the shown parameter count,
    // which must stay within the 12 stored.
    // Firmware of the header test's exception list sends the plain form with such a byte too.
    const bool exceptionFirmware = !f.extendedHeader && (f.layout == 1 || f.layout == 3) && chance(20);
    if (f.extendedHeader || exceptionFirmware)
        id.identBytes[1] = static_cast<std::uint8_t>(f.layout == 1 ? uniform(9, 10) : uniform(9, 16));
    else
        id.identBytes[1] = static_cast<std::uint8_t>(uniform(1, 8));
    id.identBytes[2] = f.hardwareCode;
    for (auto& byte : id.extBytes)
        byte = static_cast<std::uint8_t>(uniform(0, 255));
    // A .bin reader tests this byte as if it were the major version: 18 and 19 could make it look plain.
    if (id.extBytes[1] == 18 || id.extBytes[1] == 19)
        id.extBytes[1] = 20;
    id.typeByte = static_cast<std::uint8_t>((uniform(0, 3) << 4) | (f.typeCode & 0x0F));
    id.serialNumber = static_cast<std::uint32_t>(uniform(0x04000000, 0x0AFFFFFF));
    id.bootloaderVersion = pick(kBootloaders);
    return id;
}

std::uint32_t HistoryGenerator::versionCandidate(int layout, bool extraBlock) {
    auto version = [](int major, int minor, int build, int variant) {
        return (static_cast<std::uint32_t>(major) << 24) | (static_cast<std::uint32_t>(minor) << 16) |
               (static_cast<std::uint32_t>(build) << 8) | static_cast<std::uint32_t>(variant);
    };
    switch (layout) {
    case 1:
        if (extraBlock) // the only layout-1 firmware that sends one
            return version(19, 1, uniform(1, 49), uniform(0, 15));
        return version(uniform(5, 19), uniform(0, 18), uniform(0, 49), uniform(0, 15));
    case 2: {
        const int major = uniform(19, 21);
        return version(major, uniform(major == 19 ? 3 : 0, 18), uniform(0, 49), uniform(0, 127));
    }
    case 3:
        if (chance(50))
            return version(19, uniform(2, 3), uniform(0, 49), uniform(0, 15));
        return version(uniform(19, 21), uniform(3, 18), uniform(0, 49), uniform(128, 143));
    default:
        switch (uniform(0, 3)) {
        case 0:
            return version(uniform(22, 30), uniform(0, 18), uniform(0, 49), uniform(0, 15));
        case 1:
            return version(uniform(1, 4), uniform(0, 18), uniform(0, 49), uniform(0, 15));
        case 2:
            return version(uniform(5, 21), uniform(19, 40), uniform(0, 49), uniform(0, 15));
        default:
            return version(uniform(5, 21), uniform(0, 18), uniform(50, 99), uniform(0, 15));
        }
    }
}

// A version the header test lets send the plain form although ident[1] is 9 or more.
std::uint32_t HistoryGenerator::exceptionVersion(int layout) {
    auto version = [this](int major, int minor, int build) {
        return (static_cast<std::uint32_t>(major) << 24) | (static_cast<std::uint32_t>(minor) << 16) |
               (static_cast<std::uint32_t>(build) << 8) | static_cast<std::uint32_t>(uniform(0, 15));
    };
    if (layout == 3)
        return chance(50) ? version(19, 2, uniform(1, 49)) : version(19, 3, uniform(0, 8));
    switch (uniform(0, 4)) {
    case 0:
        return version(18, 8, 35);
    case 1:
        return version(18, 6, 40);
    case 2:
        return version(18, 6, 38);
    case 3:
        return version(18, 16, 17);
    default:
        return version(19, 1, uniform(21, 49));
    }
}

std::uint32_t HistoryGenerator::firmwareVersion(const HistoryFeatures& f, const Identity& id) {
    if (!Possible(f) || f.layout < 0 || f.layout > 3)
        throw std::invalid_argument("no firmware version gives these history features");
    const std::uint8_t ident1 = id.identBytes[1];
    const bool exceptionFirmware = !f.extendedHeader && static_cast<std::int8_t>(ident1) > 8;
    for (int attempt = 0; attempt < 10000; ++attempt) {
        const std::uint32_t v =
            exceptionFirmware ? exceptionVersion(f.layout) : versionCandidate(f.layout, f.extraBlock);
        const auto major = static_cast<std::uint8_t>(v >> 24);
        const auto minor = static_cast<std::uint8_t>(v >> 16);
        const auto build = static_cast<std::uint8_t>(v >> 8);
        const auto variant = static_cast<std::uint8_t>(v);
        if (FXULogLayout::NumberForVersion(v) != f.layout)
            continue;
        if (f.extraBlock && !FXULog::HasExtraBlockVersion(v))
            continue;
        if (FXULog::HasExtendedHeader(ident1, major, minor, build) != f.extendedHeader)
            continue;
        // A stored record and a .bin file apply the same test to other bytes of the extended form; they
        // must come to the same answer, or the record would be read back in the wrong form.
        if (f.extendedHeader && (!FXULog::HasExtendedHeader(ident1, build, variant, id.bootloaderVersion) ||
                                 !FXULog::HasExtendedHeader(ident1, id.extBytes[1], id.typeByte, major)))
            continue;
        return v;
    }
    throw std::invalid_argument("no firmware version gives these history features");
}

GeneratedHistory HistoryGenerator::history(const HistoryFeatures& features) {
    const Identity id = identity(features);
    const std::uint32_t version = firmwareVersion(features, id);
    return history(features, id, version, recordTime());
}

GeneratedHistory HistoryGenerator::history(const HistoryFeatures& f, const Identity& id,
                                           std::uint32_t version, const FXULogTime& time) {
    GeneratedHistory h;
    h.frame.identBytes = id.identBytes;
    h.frame.hasExtBytes = f.extendedHeader;
    if (f.extendedHeader)
        h.frame.extBytes = id.extBytes;
    h.frame.infoBlock[0] = id.typeByte;
    byteorder::putBE32(&h.frame.infoBlock[1], version);
    byteorder::putBE32(&h.frame.infoBlock[5], id.serialNumber);
    h.frame.infoBlock[9] = id.bootloaderVersion;

    // Firmware no layout knows still keeps its history somewhere; give it the newest shape.
    const FXULogLayout* shape = FXULogLayout::ForVersion(version);
    if (!shape)
        shape = FXULogLayout::ForVersion(kNewestLayoutVersion);
    fillImage(h.image, *shape, f);
    if (f.extraBlock)
        h.extraBlock = extraBlock();
    h.time = time;
    h.comment = comment();
    return h;
}

void HistoryGenerator::fillImage(FXULog::Image& image, const FXULogLayout& shape, const HistoryFeatures& f) {
    image.fill(0);
    // Options byte, option bytes B(0..2) of hardware 3, zone option bytes and the language share bytes 0..4.
    for (int i = 0; i <= 4; ++i)
        image[i] = static_cast<std::uint8_t>(uniform(0, 255));
    const bool hw4 = f.hardwareCode == 4;
    const int zoneBase = hw4 ? shape.zoneOptionBaseHw4 : shape.zoneOptionBaseOther;
    if (shape.zones > 1) // zone A is always in use
        image[zoneBase] |= 0x40;
    image[hw4 ? shape.languageOffsetHw4 : shape.languageOffsetOther] =
        static_cast<std::uint8_t>(uniform(0, 5));

    fillStatistics(image);
    fillParameters(image, shape);
    for (int i = 0; i < shape.systemCount; ++i)
        image[shape.systemOffset + i] = static_cast<std::uint8_t>(uniform(0, 255));
    fillSleep(image, shape);
    fillEvents(image, shape.eventStart, f.wrappedRing, f.typeCode);
}

void HistoryGenerator::fillStatistics(FXULog::Image& image) {
    const int cycles = uniform(20, 9000);
    const int mowing = cycles * uniform(45, 120);
    const std::uint32_t values[FXULog::kStatistics] = {
        static_cast<std::uint32_t>(mowing),
        static_cast<std::uint32_t>(cycles * uniform(40, 90)),
        static_cast<std::uint32_t>(cycles),
        static_cast<std::uint32_t>(mowing * uniform(15, 25)),
        static_cast<std::uint32_t>(mowing * uniform(15, 25)),
        static_cast<std::uint32_t>(cycles * uniform(300, 900)),
        static_cast<std::uint32_t>(cycles * uniform(250, 850)),
        static_cast<std::uint32_t>(cycles * uniform(10, 300)),
    };
    for (int slot = 0; slot < FXULog::kStatistics; ++slot) {
        const std::uint32_t value = std::min<std::uint32_t>(values[slot], 0xFFFFFF); // three bytes are read
        std::uint8_t* p = &image[kStatisticsOffset + 4 * slot];
        p[0] = static_cast<std::uint8_t>(value >> 16);
        p[1] = static_cast<std::uint8_t>(value >> 8);
        p[2] = static_cast<std::uint8_t>(value);
        p[3] = static_cast<std::uint8_t>(uniform(0, 255));
    }
}

void HistoryGenerator::fillParameters(FXULog::Image& image, const FXULogLayout& shape) {
    const int sets = shape.parametersPerZone ? shape.zones : 1;
    for (int z = 0; z < sets; ++z)
        for (int k = 0; k < shape.parametersStored; ++k)
            image[shape.parameterOffset + shape.parametersStored * z + k] =
                static_cast<std::uint8_t>(uniform(kParameterRange[k][0], kParameterRange[k][1]));
}

void HistoryGenerator::fillSleep(FXULog::Image& image, const FXULogLayout& shape) {
    auto put = [&](int entry, int start, int end) {
        std::uint8_t* p = &image[shape.sleepOffset + 3 * entry];
        p[0] = static_cast<std::uint8_t>(start);
        p[1] = static_cast<std::uint8_t>(end);
        p[2] = static_cast<std::uint8_t>(uniform(1, 127) << 1); // Monday..Sunday; bit 0 is not a day
    };
    for (int z = 0; z < shape.zones; ++z)
        for (int j = 0; j < shape.sleepShownPerZone; ++j)
            if (chance(40)) {
                const int start = uniform(36, 120); // daytime pause, tens of minutes after midnight
                put(z * shape.sleepStride + j, start, start + uniform(3, 23));
            }
    // Resting overnight is the commonest setting: every record has a range across midnight.
    put(uniform(0, shape.sleepShownPerZone - 1), uniform(120, 141), uniform(24, 54));
}

void HistoryGenerator::fillEvents(FXULog::Image& image, int ringStart, bool wrapped, std::uint8_t typeCode) {
    const int capacity = (kImageSize - ringStart) / 8;
    const int count = wrapped ? capacity : uniform(5, capacity - 1);
    const int oldestSlot = wrapped ? uniform(0, capacity - 1) : 0;
    const bool collector = typeCode == 9 || typeCode == 10;
    // QP and QG machines report cutting heads one and two bits higher.
    const int headShift = typeCode == 5 ? 1 : typeCode == 11 ? 2 : 0;

    EventClock clock{uniform(1, 28), uniform(1, 12), uniform(7, 10), uniform(0, 59)};
    std::vector<std::uint8_t> pending;
    if (!wrapped) // a ring that never wrapped starts at the first switch-on
        pending.push_back(event(FXUEventCode::SwitchOn));
    for (int i = 0; i < count; ++i) {
        if (pending.empty()) {
            // One working cycle, oldest first, so it is popped from the back.
            std::vector<std::uint8_t> cycle{event(FXUEventCode::StartWorking)};
            if (chance(8))
                cycle.push_back(event(FXUEventCode::Alarm));
            if (chance(3))
                cycle.push_back(event(FXUEventCode::OpenBonnet));
            cycle.push_back(event(FXUEventCode::StationSeeking));
            if (chance(5)) {
                cycle.push_back(event(FXUEventCode::AbortCapture));
                cycle.push_back(event(FXUEventCode::StationSeeking));
            }
            cycle.push_back(event(FXUEventCode::StationCapture));
            if (collector && chance(60))
                cycle.push_back(event(FXUEventCode::UnloadBalls));
            cycle.push_back(event(FXUEventCode::StartCharging));
            cycle.push_back(event(FXUEventCode::EndCharging));
            if (chance(30))
                cycle.push_back(event(FXUEventCode::Rest));
            if (chance(3)) {
                cycle.push_back(event(FXUEventCode::SwitchOff));
                cycle.push_back(event(FXUEventCode::SwitchOn));
            }
            if (chance(1))
                cycle.push_back(event(FXUEventCode::SoftwareUpdate));
            pending.assign(cycle.rbegin(), cycle.rend());
        }
        const std::uint8_t code = pending.back();
        pending.pop_back();
        clock.advance(uniform(
            2, code == event(FXUEventCode::EndCharging) || code == event(FXUEventCode::Rest) ? 600 : 90));

        std::uint8_t* e = &image[ringStart + 8 * ((oldestSlot + i) % capacity)];
        e[0] = toBcd(clock.day);
        e[1] = toBcd(clock.month);
        e[2] = toBcd(clock.hour);
        e[3] = toBcd(clock.minute);
        e[4] = code;
        if (code == event(FXUEventCode::Alarm))
            e[5] = static_cast<std::uint8_t>(chance(60) ? uniform(1, 31 >> headShift) << headShift
                                                        : uniform(32, 66));
        e[6] = static_cast<std::uint8_t>(uniform(0, 30));
        e[7] = static_cast<std::uint8_t>(uniform(0, 255));
    }
    const int pointer = wrapped ? 0x8000 | (ringStart + 8 * oldestSlot) : ringStart + 8 * count;
    image[kEventPointer] = static_cast<std::uint8_t>(pointer >> 8);
    image[kEventPointer + 1] = static_cast<std::uint8_t>(pointer);
}

std::vector<std::uint8_t> HistoryGenerator::extraBlock() {
    // 69 bytes or more, first byte 2 or more: what a stored record can carry.
    std::vector<std::uint8_t> block(static_cast<std::size_t>(uniform(69, 128)));
    for (auto& byte : block)
        byte = static_cast<std::uint8_t>(uniform(0, 255));
    block[0] = static_cast<std::uint8_t>(uniform(2, 255));
    return block;
}

FXULogTime HistoryGenerator::recordTime() {
    const int year = uniform(2006, 2025);
    const int month = uniform(1, 12);
    return FXULogTime(static_cast<std::uint16_t>(year), static_cast<std::uint8_t>(month),
                      static_cast<std::uint8_t>(uniform(1, daysInMonth(month, year))),
                      static_cast<std::uint8_t>(uniform(7, 19)), static_cast<std::uint8_t>(uniform(0, 59)),
                      static_cast<std::uint8_t>(uniform(0, 59)));
}

std::string HistoryGenerator::comment() {
    const int roll = uniform(1, 100);
    if (roll <= 40) // most records are never commented
        return {};
    std::string text = stored(pick(kComments));
    if (roll > 85) // the memo keeps Windows line ends
        text += "\r\n" + stored(pick(kComments));
    return text;
}

std::string HistoryGenerator::address() {
    std::vector<std::string> lines{stored(pick(kStreets))};
    if (chance(30))
        lines.push_back(stored(pick(kExtraLines)));
    lines.push_back(stored(pick(kCities)));
    // Addresses typed in the dialog separate lines with "\r\n"; older files end every line with "\n".
    const bool unixStyle = chance(50);
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!unixStyle && i > 0)
            text += "\r\n";
        text += lines[i];
        if (unixStyle)
            text += "\n";
    }
    return text;
}

std::unique_ptr<FXUMowerLog> HistoryGenerator::machine(int maxRecords) {
    return machine(maxRecords, randomFeatures());
}

std::unique_ptr<FXUMowerLog> HistoryGenerator::machine(int maxRecords, std::uint8_t typeCode) {
    HistoryFeatures f = randomFeatures();
    f.typeCode = typeCode;
    return machine(maxRecords, f);
}

std::unique_ptr<FXUMowerLog> HistoryGenerator::machine(int maxRecords, HistoryFeatures f) {
    auto machine = std::make_unique<FXUMowerLog>();
    const Identity id = identity(f);
    machine->SetTypeCode(f.typeCode);
    // The large models number their machines in ranges of their own.
    if (f.typeCode == 6)
        machine->SetMachineNumber(uniform(5000, 9999));
    else if (f.typeCode == 2 || f.typeCode == 12)
        machine->SetMachineNumber(uniform(1, 4999));
    else
        machine->SetMachineNumber(uniform(1, 9999));
    machine->SetFactoryFlag(static_cast<std::uint8_t>(uniform(0, 1)));
    machine->SetName(stored(pick(kNames)));
    machine->SetFirstName(stored(pick(kFirstNames)));
    machine->SetAddress(address());

    std::set<FXULogTime> times;
    const int count = uniform(1, std::max(1, maxRecords));
    while (static_cast<int>(times.size()) < count)
        times.insert(recordTime());
    // Upgrades only go forward: later downloads carry the same or a newer version.
    std::vector<std::uint32_t> versions;
    for (int i = 0; i < count; ++i)
        versions.push_back(firmwareVersion(f, id));
    std::sort(versions.begin(), versions.end());
    machine->SetYear(static_cast<std::uint8_t>((times.begin()->year - uniform(0, 1)) % 100));

    auto version = versions.begin();
    for (const FXULogTime& time : times) {
        f.wrappedRing = chance(50);
        std::unique_ptr<FXULog> record = history(f, id, *version++, time).makeRecord();
        machine->Insert(time, record);
    }
    return machine;
}
