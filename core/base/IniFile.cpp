#include "core/base/IniFile.h"

#include "core/base/AtomicFile.h"
#include "core/base/FileBytes.h"

// Values are 8-bit bytes in the system code page: no Unicode conversion.
#define SI_NO_CONVERSION
#include <SimpleIni.h>
#include <algorithm>
#include <charconv>
#include <ios>
#include <optional>

namespace {

// Windows INI files are plain 8-bit text in the system code page, never UTF-8. A key given twice reads its
// first value, as the Windows reader does. False when the file exists but cannot be read: its content is
// unknown, and writing one key into it would replace everything else it holds.
bool load(const std::string& fileName, CSimpleIniA& ini) {
    ini.SetSpaces(false);
    ini.SetMultiKey(true);
    std::optional<std::string> content = FileBytes::read(fileName);
    if (!content)
        return !FileBytes::exists(fileName);
    // The parser stops at a zero byte, which would lose every line after it.
    std::erase(*content, '\0');
    ini.LoadData(content->data(), content->size());
    return true;
}

std::optional<std::string> lookup(const std::string& fileName, const std::string& section,
                                  const std::string& key) {
    CSimpleIniA ini(/*isUtf8=*/false);
    load(fileName, ini);
    const char* value = ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!value)
        return std::nullopt;
    std::string text(value);
    // The Windows reader takes one pair of matching quotes off a value.
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return text;
}

std::optional<int> parseInteger(const std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+')
        ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last)
        return std::nullopt;
    return value;
}

} // namespace

int IniFile::ReadInteger(const std::string& section, const std::string& key, int defaultValue) const {
    const auto text = lookup(fileName_, section, key);
    if (!text)
        return defaultValue;
    return parseInteger(*text).value_or(defaultValue);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    return lookup(fileName_, section, key).value_or(defaultValue);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    CSimpleIniA ini(/*isUtf8=*/false);
    if (!load(fileName_, ini))
        throw std::ios_base::failure("cannot read " + fileName_ + ", so it is not rewritten");
    if (ini.SetValue(section.c_str(), key.c_str(), value.c_str(), nullptr, /*replace every value=*/true) < 0)
        throw std::ios_base::failure("cannot store " + section + "/" + key + " in " + fileName_);
    std::string content;
    if (ini.Save(content) < 0)
        throw std::ios_base::failure("cannot format " + fileName_);
    AtomicFile::write(fileName_, content);
}
