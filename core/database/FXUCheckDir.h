#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The database directory's table of contents, "dbtisl.chk": 6-byte entries of a serial number and the sum
// of its bytes, little-endian. Start-up loads exactly the machines it names whose files exist; every start
// rewrites it with those, and each new machine is appended.
class FXUCheckDir {
public:
    static constexpr const char* kCheckFileName = "dbtisl.chk";
    static constexpr std::size_t kEntrySize = 6;

    void SetDataDir(const std::string& directory) { dataDir_ = directory; }
    void SetCheckDir(const std::string& directory) { checkDir_ = directory; }
    void SetCheckFileName(const std::string& name) { checkFileName_ = name; }

    // The machine files to load, in check-file order. FXUDBFC_error when the check file is missing or its
    // length is not a whole number of entries.
    std::vector<std::string> GetFileList();
    bool ReadCheckFile();
    bool WriteCheckFile();
    // serialText: 8 hexadecimal digits. Appends and syncs one entry, creating the file if needed; false, with
    // the file as it was, when that fails.
    bool AddEntry(const std::string& serialText);
    static std::uint16_t EntrySum(std::uint32_t serialNumber);

    // directory + "/" + name; an empty directory is the current one.
    static std::string Join(const std::string& directory, const std::string& name);
    // "0001A2F3.dat"
    static std::string MachineFileName(std::uint32_t serialNumber);

    const std::vector<std::string>& fileList() const { return fileList_; }

private:
    std::string checkPath() const { return Join(checkDir_, checkFileName_); }

    std::string dataDir_;
    std::string checkDir_;
    std::string checkFileName_ = kCheckFileName;
    std::vector<std::string> fileList_;
};
