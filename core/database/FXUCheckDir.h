#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The database directory's table of contents, "dbtisl.chk": 6-byte entries of a serial number and the sum
// of its bytes, little-endian. Start-up loads exactly the machines it names whose files exist; a start that
// drops entries rewrites it with those, and each new machine is appended.
class FXUCheckDir {
public:
    static constexpr const char* kCheckFileName = "dbtisl.chk";
    static constexpr std::size_t kEntrySize = 6;
    // Four million machines; a longer file is taken as damaged.
    static constexpr std::uint64_t kMaxCheckFileSize = kEntrySize * (std::uint64_t{1} << 22);

    void SetDataDir(const std::string& directory) { dataDir_ = directory; }
    void SetCheckDir(const std::string& directory) { checkDir_ = directory; }
    void SetCheckFileName(const std::string& name) { checkFileName_ = name; }
    // Read only: nothing is written, kept aside or rewritten; contentToWrite() tells what would be.
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    // The machine files to load, in check-file order. FXUDBFC_error when the check file is missing or its
    // length is not a whole number of entries (also when it is no regular file or too long to be one).
    std::vector<std::string> GetFileList();
    // probeFiles false: the machine files are not looked at (a start reads them anyway); the caller then
    // hands the entries whose file it could not read to DropUnreadable, which ends the read as this would.
    bool ReadCheckFile(bool probeFiles = true);
    // Takes these paths, in file-list order, out of the file list as entries without a readable machine
    // file, then keeps aside and rewrites the check file as ReadCheckFile does. Once after each
    // ReadCheckFile(false).
    void DropUnreadable(const std::vector<std::string>& paths);
    bool WriteCheckFile();
    // serialText: 8 hexadecimal digits. Appends and syncs one entry, creating the file if needed; false, with
    // the file as it was and lastError() saying why, when any step of that fails.
    bool AddEntry(const std::string& serialText);
    static std::uint16_t EntrySum(std::uint32_t serialNumber);
    const std::string& lastError() const { return lastError_; }

    // Files of the data directory named like machine files ("0001A2F3.dat", in the upper-case digits every
    // machine file is written with) whose serial number the file list lacks, by name. Those whose name
    // differs from such a name only in letter case go to misnamed: the program could never write them back
    // under that name, nor find them again from the check file.
    std::vector<std::string> UnlistedMachineFiles(std::vector<std::string>* misnamed = nullptr) const;
    // Enters machine files found in the folder: they join the file list and the check file is written
    // again from it. A check file that was refused is first kept beside itself (keptAside() names the copy).
    // False, with lastError() saying why, when the check file cannot be written.
    bool AddFound(const std::vector<std::string>& paths);
    const std::string& keptAside() const { return keptAside_; }
    // What the last ReadCheckFile dropped from the check file (wrong sums, repeated machines, entries
    // without a readable machine file), and where it kept the file as it was before (empty when it
    // dropped nothing or could not keep it; the file is then not rewritten).
    std::size_t droppedEntries() const { return droppedEntries_; }
    const std::string& droppedKeptAs() const { return droppedKeptAs_; }

    // "0001A2F3.dat": 8 upper-case hexadecimal digits and ".dat".
    static bool IsMachineFileName(std::string_view name);
    // Deletes what interrupted writes of the check file and of machine files left in directory; the names
    // of the files deleted.
    static std::vector<std::string> RemoveTemporaries(const std::string& directory);

    // directory + "/" + name; an empty directory is the current one.
    static std::string Join(const std::string& directory, const std::string& name);
    // "0001A2F3.dat"
    static std::string MachineFileName(std::uint32_t serialNumber);

    const std::vector<std::string>& fileList() const { return fileList_; }
    // The check file the file list makes: what a start writes.
    std::string contentToWrite() const;
    // As the last read found the file: whether anything was there, whether it was taken, and the serial
    // number of every entry it holds, in file order (also those it dropped).
    bool present() const { return present_; }
    bool valid() const { return !refused_; }
    const std::vector<std::uint32_t>& entriesRead() const { return entriesRead_; }

private:
    std::string checkPath() const { return Join(checkDir_, checkFileName_); }
    // Keeps aside and rewrites the check file read as content when entries were dropped.
    void rewriteDropped(const std::string& content);

    std::string dataDir_;
    std::string checkDir_;
    std::string checkFileName_ = kCheckFileName;
    std::vector<std::string> fileList_;
    bool refused_ = false; // the last read refused the check file
    bool present_ = false;
    bool readOnly_ = false;
    std::vector<std::uint32_t> entriesRead_;
    std::string lastError_;
    std::string keptAside_;
    std::size_t droppedEntries_ = 0;
    std::string droppedKeptAs_;
    std::string unprobedContent_; // the check file as ReadCheckFile(false) read it, until DropUnreadable
};
