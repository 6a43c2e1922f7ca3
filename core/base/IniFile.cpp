#include "core/base/IniFile.h"

#include "core/base/AtomicFile.h"
#include "core/base/IniText.h"
#include "core/base/InputFile.h"
#include "core/base/StreamFailure.h"

#include <ios>
#include <optional>

namespace {

// Windows INI files are plain 8-bit text in the system code page, never UTF-8. Nothing when the file exists
// but cannot be read: its content is unknown, and writing one key into it would replace everything else it
// holds.
std::optional<IniText> load(const std::string& fileName) {
    std::optional<std::string> content = InputFile::Read(fileName);
    if (!content) {
        if (InputFile::Exists(fileName))
            return std::nullopt;
        return IniText();
    }
    return IniText(std::move(*content));
}

} // namespace

int IniFile::ReadInteger(const std::string& section, const std::string& key, int defaultValue) const {
    const std::optional<IniText> ini = load(fileName_);
    return ini ? ini->integer(section, key).value_or(defaultValue) : defaultValue;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
    const std::optional<IniText> ini = load(fileName_);
    return ini ? ini->text(section, key).value_or(defaultValue) : defaultValue;
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    std::optional<IniText> ini = load(fileName_);
    if (!ini)
        throw StreamFailure("cannot read " + fileName_ + ", so it is not rewritten");
    if (!ini->set(section, key, value))
        throw StreamFailure("cannot store " + section + "/" + key + " in " + fileName_);
    AtomicFile::write(fileName_, ini->content());
}
