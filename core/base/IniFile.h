#pragma once

#include <string>

// A Windows-style INI file, read and written through on every call (no cached copy): sections and keys
// are case-insensitive, integers are decimal, booleans "1"/"0", and a missing or malformed value yields
// the caller's default. A write changes only the line of its key (IniText): every other byte is kept.
class IniFile {
public:
    explicit IniFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }

    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;

    // Each write replaces the file atomically; raises std::ios_base::failure when it cannot.
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    void WriteString(const std::string& section, const std::string& key, const std::string& value);

private:
    std::string fileName_;
};
