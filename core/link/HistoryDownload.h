#pragma once

#include "core/i18n/TextId.h"

#include <cstdint>
#include <string>

class MachineLink;
class Progress;
struct DownloadedHistory;

// Pulls the 8192-byte history image (and, for the firmware versions that have one, the extra block) from
// the machine into the reception buffer, in up to three attempts.
class HistoryDownload {
public:
    static constexpr int kAttempts = 3;
    static constexpr int kFirstByteWaitMs = 60;
    // The answer ends when nothing has come for kQuietMs. The line is looked at every kCheckMs, so the end is
    // seen within kCheckMs of that instead of up to a further kQuietMs later.
    static constexpr int kQuietMs = 100;
    static constexpr int kCheckMs = 10;
    static constexpr std::uint8_t kHistory = 0x48;         // "H"
    static constexpr std::uint8_t kHistoryAndExtra = 0x44; // "D"

    // data.frame must be the frame the link reads into.
    HistoryDownload(MachineLink& link, DownloadedHistory& data);

    // Leaves the port open on success; closes it after a failure past the link's opening. Every failure
    // has been shown and logged.
    bool downloadHistory(const std::string& portName);

private:
    bool receive(std::uint8_t command, Progress& progress, int& attempts);
    bool attempt(std::uint8_t command, Progress& progress);
    bool collect(Progress& progress);
    bool complete() const;
    void keepExtraBlock();
    bool fail(TextId message);

    MachineLink& link_;
    DownloadedHistory& data_;
};
