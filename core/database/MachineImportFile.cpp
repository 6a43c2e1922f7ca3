#include "core/database/MachineImportFile.h"

#include "core/base/FXUCrc_error.h"
#include "core/base/InputFile.h"
#include "core/database/DBMowerFile.h"

#include <ios>
#include <new>
#include <string_view>

namespace {

// The reason alone: the log line names the file once, and the stream library's category is no reason.
std::string reasonOf(std::string text, const std::string& path) {
    if (text.starts_with(path + ": "))
        text.erase(0, path.size() + 2);
    constexpr std::string_view kSuffix = ": iostream error";
    if (text.ends_with(kSuffix))
        text.resize(text.size() - kSuffix.size());
    return text;
}

} // namespace

bool MachineImportFile::fail(Failure failure, std::string line) {
    failure_ = failure;
    lastError_ = std::move(line);
    return false;
}

bool MachineImportFile::Load(const std::string& path, FXUMowerLog& result) {
    failure_ = Failure::None;
    lastError_.clear();
    const std::string refused = "Import file: " + path + " refused: ";

    // Looked at first, so that a file that is not there is told apart from one that is no machine file.
    InputFile probe;
    if (!probe.Open(path, DBMowerFile::kMaxFileSize)) {
        if (probe.failure() == InputFile::Failure::CannotOpen)
            return fail(Failure::CannotOpen, "error opening import file: " + path);
        return fail(Failure::Unreadable, refused + reasonOf(probe.lastError(), path));
    }
    if (probe.stamp().size < DBMowerFile::kCrcSize)
        return fail(Failure::Unreadable,
                    refused + "its " + std::to_string(probe.stamp().size) + " bytes cannot even hold a CRC");

    // Read as the database reads its own files, with the same bounds.
    DBMowerFile file;
    file.SetFileName(path);
    try {
        if (!file.LoadMachineFile()) {
            if (file.failure() == DBMowerFile::Failure::Crc ||
                file.failure() == DBMowerFile::Failure::TooLarge)
                return fail(Failure::BadCrc, "Import file: " + path + " has a bad CRC");
            return fail(Failure::Unreadable, refused + reasonOf(file.lastError(), path));
        }
    } catch (const std::bad_alloc&) {
        return fail(Failure::Unreadable, refused + "too large to be read");
    }
    result = std::move(file.mowerLog());
    return true;
}
