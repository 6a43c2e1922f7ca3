// The settings file's bytes, whatever they hold: every key reads as SimpleIni (the reader the program used
// before its own) reads it; a setting written into them reads back as written, as text and as a number,
// while every other key keeps its value; and writing a key's old value back gives the dealer's file back
// byte for byte. All in memory: IniFile only moves these bytes to and from the disk.

#include "core/base/IniText.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <strings.h>
#include <utility>
#include <vector>

namespace {

// Says which property broke, so that a crash input explains itself.
#define check(condition)                                                                                     \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "fuzz_ini.cpp:%d: %s\n", __LINE__, #condition);                             \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

// SimpleIni skips blanks after "[" across line ends, so "[" at a line's end swallows the next line; the
// Windows reader (and ours) keeps lines apart. Such files are left out of the comparison. Both readers skip
// zero bytes, so "[", zero bytes and a line end open across lines too.
bool sectionOpensAcrossLines(std::string text) {
    std::erase(text, '\0');
    for (std::size_t i = text.find('['); i != std::string::npos; i = text.find('[', i + 1)) {
        std::size_t j = i + 1;
        while (j < text.size() && (text[j] == ' ' || text[j] == '\t'))
            ++j;
        if (j < text.size() && (text[j] == '\r' || text[j] == '\n'))
            return true;
    }
    return false;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Every section and key SimpleIni finds, with the value it reads.
std::vector<std::pair<Pairs::value_type, std::string>> simpleIniEntries(std::string text) {
    std::erase(text, '\0');
    CSimpleIniA ini(/*isUtf8=*/false, /*multiKey=*/true);
    ini.LoadData(text.data(), text.size());
    std::vector<std::pair<Pairs::value_type, std::string>> entries;
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    for (const auto& section : sections) {
        CSimpleIniA::TNamesDepend keys;
        ini.GetAllKeys(section.pItem, keys);
        for (const auto& key : keys)
            entries.push_back({{section.pItem, key.pItem}, ini.GetValue(section.pItem, key.pItem, "")});
    }
    return entries;
}

const Pairs kSettings = {{"MainForm", "Height"},   {"MainForm", "Width"},   {"MainForm", "Top"},
                         {"MainForm", "Left"},     {"GENERAL", "LANGUAGE"}, {"GENERAL", "SORTBYNAME"},
                         {"FILEPATH", "DBPATH"},   {"COM", "AUTO"},         {"COM", "PORT"},
                         {"DIALOGS", "LASTFOLDER"}};

// A number as the settings read one, worked out digit by digit: an optional sign, then only digits, within
// int.
std::optional<int> decimal(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    std::size_t i = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 2147483648LL)
            return std::nullopt;
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value > 2147483647LL)
        return std::nullopt;
    return static_cast<int>(value);
}

std::vector<std::optional<std::string>> settingValues(const IniText& ini) {
    std::vector<std::optional<std::string>> values;
    values.reserve(kSettings.size());
    for (const auto& [section, key] : kSettings)
        values.push_back(ini.value(section, key));
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    const IniText ini(original);

    const auto before = settingValues(ini);
    if (!sectionOpensAcrossLines(original)) {
        const auto entries = simpleIniEntries(original);
        for (const auto& [name, value] : entries) {
            // Keys under a "[..." line without "]" land in a section named by the bytes up to the next key's
            // end, line break included: no name can reach them, in either reader.
            if (name.first.find_first_of("\r\n") != std::string::npos)
                continue;
            check(ini.value(name.first, name.second) == value);
        }
        for (std::size_t i = 0; i < kSettings.size(); ++i) {
            const auto& setting = kSettings[i];
            const bool known = std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
                return entry.first.first.size() == setting.first.size() &&
                       entry.first.second.size() == setting.second.size() &&
                       strcasecmp(entry.first.first.c_str(), setting.first.c_str()) == 0 &&
                       strcasecmp(entry.first.second.c_str(), setting.second.c_str()) == 0;
            });
            check(before[i].has_value() == known);
        }
    }

    for (std::size_t i = 0; i < kSettings.size(); ++i)
        check(ini.integer(kSettings[i].first, kSettings[i].second) ==
              (before[i] ? decimal(IniText::unquoted(*before[i])) : std::nullopt));

    // Settings in turn: written, read back; the others unchanged; its old value restores the file. A third
    // of them per input, another third as the length changes: the content is what varies, and three times
    // the inputs a second reach more of it.
    struct Written {
        std::string text;
        std::optional<int> number;
    };
    static const Written values[] = {{"612", 612},
                                     {"", std::nullopt},
                                     {" padded ", std::nullopt},
                                     {"\"quoted\"", std::nullopt},
                                     {"ttyUSB0", std::nullopt},
                                     {"-2147483648", -2147483647 - 1}};
    for (std::size_t i = size % 3; i < kSettings.size(); i += 3) {
        const auto& [section, key] = kSettings[i];
        const Written& value = values[(i + size / 3) % std::size(values)];
        IniText edited = ini;
        check(edited.set(section, key, value.text));
        check(edited.text(section, key) == value.text);
        check(edited.integer(section, key) == value.number);
        auto after = settingValues(edited);
        after[i] = before[i];
        check(after == before);
        const std::optional<std::string> old = before[i];
        // A quoted value comes back in other quotes; a zero byte inside a value is not put back; an emptied
        // value no longer tells the blanks before it from those after it.
        if (old && IniText::unquoted(*old) == *old && original.find('\0') == std::string::npos &&
            !value.text.empty()) {
            check(edited.set(section, key, *old));
            check(edited.content() == original);
        }
        check(!edited.set(section, key, "two\nlines") && edited.value(section, key).has_value());
    }
    return 0;
}
