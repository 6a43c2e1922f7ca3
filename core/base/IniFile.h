#pragma once

#include <string>

// A Windows-style INI file, read and written through on every call (no cached copy). The file is only
// where the bytes are: IniText reads them (sections and keys ignore case, integers are decimal) and edits
// them (a write changes only the line of its key). Booleans are "1"/"0", and a missing or malformed value
// yields the caller's default.
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
