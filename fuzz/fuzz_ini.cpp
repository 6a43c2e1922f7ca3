// The settings file on any content: every key reads as SimpleIni (the reader the program used before its
// own) reads it; a setting written into the file reads back as written while every other key keeps its
// value; and writing a key's old value back gives the dealer's file back byte for byte.

#include "core/base/AppSettings.h"
#include "core/base/IniText.h"

#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <strings.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

std::string scratchFile() {
    const std::filesystem::path dir = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    return (dir / ("osk-fuzz-" + std::to_string(::getpid()) + ".INI")).string();
}

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

const Pairs kSettings = {{"MainForm", "Height"}, {"MainForm", "Width"},   {"MainForm", "Top"},
                         {"MainForm", "Left"},   {"GENERAL", "LANGUAGE"}, {"GENERAL", "SORTBYNAME"},
                         {"FILEPATH", "DBPATH"}, {"COM", "AUTO"},         {"COM", "PORT"}};

std::vector<std::optional<std::string>> settingValues(const IniText& ini) {
    std::vector<std::optional<std::string>> values;
    for (const auto& [section, key] : kSettings)
        values.push_back(ini.value(section, key));
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    const IniText ini(original);

    if (!sectionOpensAcrossLines(original)) {
        const auto entries = simpleIniEntries(original);
        for (const auto& [name, value] : entries) {
            // Keys under a "[..." line without "]" land in a section named by the bytes up to the next key's
            // end, line break included: no name can reach them, in either reader.
            if (name.first.find_first_of("\r\n") != std::string::npos)
                continue;
            check(ini.value(name.first, name.second) == value);
        }
        for (const auto& setting : kSettings) {
            const bool known = std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
                return entry.first.first.size() == setting.first.size() &&
                       entry.first.second.size() == setting.second.size() &&
                       strcasecmp(entry.first.first.c_str(), setting.first.c_str()) == 0 &&
                       strcasecmp(entry.first.second.c_str(), setting.second.c_str()) == 0;
            });
            check(ini.value(setting.first, setting.second).has_value() == known);
        }
    }

    // Each setting in turn: written, read back; the others unchanged; its old value restores the file.
    const auto before = settingValues(ini);
    const std::string values[] = {"612", "", " padded ", "\"quoted\"", "ttyUSB0"};
    for (std::size_t i = 0; i < kSettings.size(); ++i) {
        const auto& [section, key] = kSettings[i];
        const std::string& value = values[(i + size) % std::size(values)];
        IniText edited(original);
        check(edited.set(section, key, value));
        check(IniText::unquoted(*edited.value(section, key)) == value);
        auto after = settingValues(edited);
        after[i] = before[i];
        check(after == before);
        const std::optional<std::string> old = before[i];
        // A quoted value comes back in other quotes; a zero byte inside a value is not put back; an emptied
        // value no longer tells the blanks before it from those after it.
        if (old && IniText::unquoted(*old) == *old && original.find('\0') == std::string::npos &&
            !value.empty()) {
            check(edited.set(section, key, *old));
            check(edited.content() == original);
        }
        check(!edited.set(section, key, "two\nlines") && edited.value(section, key).has_value());
    }

    // And through the settings file itself.
    static const std::string file = scratchFile();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(original.data(), static_cast<std::streamsize>(original.size()));
    }
    AppSettings settings(file);
    (void)settings.Height();
    (void)settings.Language();
    (void)settings.SortByName();
    (void)settings.AutoCom();
    const std::string dbPath = settings.DbPath();
    settings.SetPort("ttyUSB0");
    settings.SetHeight(612);
    check(settings.Port() == "ttyUSB0" && settings.Height() == 612);
    check(settings.DbPath() == dbPath);
    return 0;
}
