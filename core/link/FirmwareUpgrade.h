#pragma once

#include "core/base/Prompts.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class HistoryDownload;
class MachineLink;
class UpgradeFile;

// The firmware upgrade as a whole: the link, the upgrade file chosen, checked and confirmed, the machine's
// history saved first, the bootloader synchronised, then each data row sent after its section's write
// command and acknowledged by the machine, and "b" at the end.
class FirmwareUpgrade {
public:
    enum class Outcome {
        Done,
        NoLink,            // no port or no machine; shown by the link
        FileNotChosen,     // the file dialog was cancelled
        FileRefused,       // unreadable or corrupted file, nothing sent
        Cancelled,         // the user did not confirm
        HistoryNotKept,    // the history came but could not be kept; nothing programmed
        NoSynchro,         // the bootloader did not answer
        ProgrammingFailed, // a row was not acknowledged, or the port failed
    };

    // The waits of a row: at least this many queries, and at least this long, whichever ends later.
    static constexpr int kTransmitQueries = 4000;
    static constexpr int kTransmitMinMs = 1000;
    static constexpr int kAnswerQueries = 40000;
    static constexpr int kAnswerMinMs = 3000;

    static constexpr int kSyncSecondByteMs = 50;
    static constexpr int kSyncPollMs = 20;
    static constexpr int kSyncSilentRounds = 30;
    static constexpr int kSyncMaxPolls = 60;

    static constexpr std::uint8_t kAck = 0x06;
    static constexpr std::uint8_t kNak = 0x15;

    // Files the history just downloaded (the port is open). False ends the upgrade before anything is
    // programmed: the history could not be kept.
    using StoreHistory = std::function<bool()>;

    FirmwareUpgrade(MachineLink& link, HistoryDownload& download, StoreHistory storeHistory);

    Outcome run(const std::string& portName);
    bool waitForSynchro();

private:
    std::optional<UpgradeFile> chooseFile();
    bool confirm(const UpgradeFile& file);
    bool reopenAfterFailedHistory(const std::string& portName);
    bool programRows(const UpgradeFile& file);
    bool programRow(std::string_view row, int line, std::uint8_t command);
    bool waitTransmitted();
    bool waitAnswer();
    bool programmingFailed(Prompts::Kind kind, const std::string& logLine);
    void refuseFile(const std::string& logLine);

    MachineLink& link_;
    HistoryDownload& download_;
    StoreHistory storeHistory_;
};
