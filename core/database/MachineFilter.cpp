#include "core/database/MachineFilter.h"

#include "core/history/FXUMowerLog.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// Each Windows-1252 byte as the search compares it: ASCII letters in lower case, accented letters as their
// base letter, ligatures as their two letters; other bytes stand for themselves.
const std::array<std::string, 256>& foldTable() {
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> t;
        for (int c = 0; c < 256; ++c)
            t[c] = std::string(1, static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
        const auto set = [&t](int code, const char* folded) { t[code] = folded; };
        set(0x8A, "s"), set(0x9A, "s"), set(0x8C, "oe"), set(0x9C, "oe"), set(0x8E, "z"), set(0x9E, "z");
        set(0x9F, "y"), set(0xDF, "ss"), set(0xC6, "ae"), set(0xE6, "ae"), set(0xD0, "d"), set(0xF0, "d");
        set(0xDE, "th"), set(0xFE, "th");
        // The Latin-1 letters from 0xC0 on, upper and lower case alike (0xE0 = 0xC0 + 0x20).
        const char* const base = "aaaaaaaceeeeiiiidnooooo\xD7ouuuuyts";
        for (int i = 0; i < 32; ++i) {
            const int upper = 0xC0 + i;
            if (upper == 0xC6 || upper == 0xD0 || upper == 0xD7 || upper == 0xDE || upper == 0xDF)
                continue;
            t[upper] = std::string(1, base[i]);
            t[upper + 0x20] = std::string(1, base[i]);
        }
        set(0xFF, "y");
        return t;
    }();
    return table;
}

bool leapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysIn(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : days[month - 1];
}

} // namespace

std::string MachineFilter::Fold(std::string_view text) {
    const auto& table = foldTable();
    std::string folded;
    folded.reserve(text.size() + 4);
    for (const char c : text) {
        const std::string& to = table[static_cast<unsigned char>(c)];
        if (to.size() == 1)
            folded.push_back(to[0]);
        else
            folded += to;
    }
    return folded;
}

FXULogTime MachineFilter::MonthsBefore(const FXULogTime& time, int months) {
    const int index = time.year * 12 + (time.month - 1) - months;
    FXULogTime before = time;
    before.year = static_cast<std::uint16_t>(index / 12);
    before.month = static_cast<std::uint8_t>(index % 12 + 1);
    if (time.month >= 1 && time.month <= 12)
        before.day = static_cast<std::uint8_t>(std::min<int>(time.day, daysIn(before.year, before.month)));
    return before;
}

void MachineFilter::setText(std::string_view text) {
    words_.clear();
    const std::string folded = Fold(text);
    std::size_t at = 0;
    while (at < folded.size()) {
        const std::size_t start = folded.find_first_not_of(" \t\r\n\xA0", at);
        if (start == std::string::npos)
            break;
        const std::size_t end = folded.find_first_of(" \t\r\n\xA0", start);
        words_.push_back(folded.substr(start, end - start));
        at = end == std::string::npos ? folded.size() : end;
    }
}

void MachineFilter::setNotServicedSince(Period period, const FXULogTime& now) {
    switch (period) {
    case Period::AnyTime:
        cutoff_.reset();
        break;
    case Period::SixMonths:
        cutoff_ = MonthsBefore(now, 6);
        break;
    case Period::OneYear:
        cutoff_ = MonthsBefore(now, 12);
        break;
    case Period::TwoYears:
        cutoff_ = MonthsBefore(now, 24);
        break;
    }
}

std::string MachineFilter::SearchKey(const FXUMowerLog& machine) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "\n%08x", static_cast<unsigned>(machine.serialNumber()));
    std::string key = Fold(machine.name());
    key += '\n';
    key += Fold(machine.firstName());
    key += '\n';
    key += Fold(machine.address());
    key += '\n';
    key += Fold(machine.MachineNumberText());
    key += serial;
    return key;
}

bool MachineFilter::Matches(const FXUMowerLog& machine, const std::string& searchKey) const {
    // The words first: the key lies in one piece, while the type and the newest record's time are reached
    // through the machine, a slower walk over ten thousand of them.
    for (const std::string& word : words_)
        if (searchKey.find(word) == std::string::npos)
            return false;
    if (!typeCodes_.empty() &&
        std::find(typeCodes_.begin(), typeCodes_.end(), machine.typeCode()) == typeCodes_.end())
        return false;
    return !cutoff_ || machine.records().empty() || machine.records().rbegin()->first < *cutoff_;
}
