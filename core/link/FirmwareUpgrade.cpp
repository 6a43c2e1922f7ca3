#include "core/link/FirmwareUpgrade.h"

#include "core/base/CLogger.h"
#include "core/base/Clock.h"
#include "core/base/Prompts.h"
#include "core/link/EComPort.h"
#include "core/link/HistoryDownload.h"
#include "core/link/LinkLog.h"
#include "core/link/MachineLink.h"
#include "core/link/Port.h"
#include "core/link/UpgradeFile.h"

namespace {

constexpr std::uint8_t kSync1 = 0x74;      // "t"
constexpr std::uint8_t kSync2 = 0x42;      // "B"
constexpr std::uint8_t kEndUpgrade = 0x62; // "b"

} // namespace

FirmwareUpgrade::FirmwareUpgrade(MachineLink& link, HistoryDownload& download, StoreHistory storeHistory)
    : link_(link), download_(download), storeHistory_(std::move(storeHistory)) {}

FirmwareUpgrade::Outcome FirmwareUpgrade::run(const std::string& portName) {
    CLogger& log = link_.log();
    log.log(LinkLog::kRequestSoftwareUpdate);
    if (!link_.openLink(portName))
        return Outcome::NoLink;
    if (!link_.clearBuffers()) {
        link_.closePort();
        return Outcome::NoLink;
    }

    const Prompts::FileDialog dialog{Prompts::FileDialog::Mode::Open, "", UpgradeFile::kDialogFilter, 1, {}};
    const std::optional<std::string> path = link_.prompts().chooseFile(dialog);
    if (!path) {
        link_.closePort();
        return Outcome::FileNotChosen;
    }
    log.log(LinkLog::updateFile(*path));
    std::string unreadable;
    std::optional<UpgradeFile> file = UpgradeFile::read(*path, unreadable);
    if (!file) {
        refuseFile(LinkLog::updateFileUnreadable(unreadable));
        return Outcome::FileRefused;
    }
    if (!file->check()) {
        refuseFile(file->refusal());
        return Outcome::FileRefused;
    }
    if (!confirm(*file)) {
        log.log(LinkLog::kUpdateCancelled);
        link_.closePort();
        return Outcome::Cancelled;
    }

    if (download_.downloadHistory(portName)) {
        if (storeHistory_ && !storeHistory_()) {
            link_.closePort();
            return Outcome::HistoryNotKept;
        }
    } else if (!reopenAfterFailedHistory(portName)) {
        return Outcome::NoLink;
    }

    if (!waitForSynchro()) {
        link_.prompts().message(Prompts::Kind::Error, MachineLink::text(TextId::NoCommunication),
                                Prompts::Buttons::Ok);
        log.log(LinkLog::kSynchroFailed);
        link_.closePort();
        return Outcome::NoSynchro;
    }
    if (!programRows(*file))
        return Outcome::ProgrammingFailed;
    return Outcome::Done;
}

void FirmwareUpgrade::refuseFile(const std::string& logLine) {
    link_.prompts().message(Prompts::Kind::Warning, MachineLink::text(TextId::CorruptedFile),
                            Prompts::Buttons::Ok);
    link_.log().log(logLine);
    link_.closePort();
}

bool FirmwareUpgrade::confirm(const UpgradeFile& file) {
    const std::string text = MachineLink::text(TextId::GoingToUpdateWithVersion) + file.versionText();
    return link_.prompts().message(Prompts::Kind::Confirmation, text, Prompts::Buttons::OkCancel) ==
           Prompts::Answer::Ok;
}

// A history that did not come is no reason to stop: the upgrade goes on over a link opened again.
bool FirmwareUpgrade::reopenAfterFailedHistory(const std::string& portName) {
    if (!link_.openLink(portName))
        return false;
    if (!link_.clearBuffers()) {
        link_.closePort();
        return false;
    }
    link_.log().log(LinkLog::kHistoryFailedProceed);
    return true;
}

bool FirmwareUpgrade::waitForSynchro() {
    Port& port = link_.port();
    Clock& clock = link_.clock();
    std::optional<std::uint8_t> last;
    try {
        port.ClearBuffer(true, true);
        port.Write(&kSync1, 1);
        clock.sleepMs(kSyncSecondByteMs);
        port.ClearBuffer(true, false);
        port.Write(&kSync2, 1);
        // The answer may be preceded by other bytes; it is the last one before the line falls silent.
        for (int silentRounds = 0, polls = 0;;) {
            if (++silentRounds >= kSyncSilentRounds)
                break;
            const int waiting = port.InputCount();
            if (waiting > 0) {
                silentRounds = 0;
                for (int i = 0; i < waiting; ++i) {
                    std::uint8_t byte = 0;
                    if (port.Read(&byte, 1) == 1)
                        last = byte;
                }
            }
            if (++polls > kSyncMaxPolls)
                return false;
            clock.sleepMs(kSyncPollMs);
        }
    } catch (const EComPort& error) {
        link_.logPortError(error);
        return false;
    }
    return last == kAck;
}

bool FirmwareUpgrade::programRows(const UpgradeFile& file) {
    Progress& progress = link_.prompts().progress();
    const std::size_t count = file.rowCount();
    progress.setCaption(MachineLink::text(TextId::UpgradeInProgress));
    progress.setMax(static_cast<int>(count));
    progress.show();
    std::uint8_t command = 0; // row 1 is a header: set before the first data row
    std::size_t index = 1;
    try {
        for (; index < count; ++index) {
            progress.setPosition(static_cast<int>(index));
            const std::string_view row = file.row(index);
            if (const UpgradeFile::Section* section = UpgradeFile::sectionOf(row)) {
                command = section->command;
                progress.setMessage(section->name);
                link_.log().log(LinkLog::sectionStart(*section));
                continue;
            }
            if (!programRow(row, UpgradeFile::lineOf(index), command))
                return false;
        }
        link_.port().Write(&kEndUpgrade, 1);
    } catch (const EComPort& error) {
        programmingFailed(Prompts::Kind::Error,
                          LinkLog::portErrorProgramming(UpgradeFile::lineOf(index), error));
        link_.closePort();
        return false;
    }
    progress.hide();
    link_.prompts().message(Prompts::Kind::Plain, MachineLink::text(TextId::UpgradeDone),
                            Prompts::Buttons::Ok);
    return true;
}

bool FirmwareUpgrade::programRow(std::string_view row, int line, std::uint8_t command) {
    Port& port = link_.port();
    const std::vector<std::uint8_t> bytes = UpgradeFile::decodeRow(row);
    port.Write(&command, 1);
    if (!waitTransmitted())
        return programmingFailed(Prompts::Kind::Warning, LinkLog::problemSendingCommand(line));
    port.Write(bytes.data(), static_cast<int>(bytes.size()));
    if (!waitAnswer())
        return programmingFailed(Prompts::Kind::Error, LinkLog::timeoutProgramming(line));
    std::uint8_t answer = 0;
    port.Read(&answer, 1);
    if (answer == kAck)
        return true;
    return programmingFailed(Prompts::Kind::Error,
                             answer == kNak ? LinkLog::nack(line) : LinkLog::unexpectedResult(line, answer));
}

// A counted wait alone lasts a few milliseconds on a current computer, less than a row takes on the wire:
// the count is kept as a minimum and the wait also lasts a minimum time, yielding between queries.
bool FirmwareUpgrade::waitTransmitted() {
    Clock& clock = link_.clock();
    const std::int64_t start = clock.nowMs();
    for (int queries = 1;; ++queries) {
        if (link_.port().OutputCount() == 0)
            return true;
        if (queries >= kTransmitQueries && clock.nowMs() - start >= kTransmitMinMs)
            return false;
        clock.yieldProcessor();
    }
}

bool FirmwareUpgrade::waitAnswer() {
    Clock& clock = link_.clock();
    const std::int64_t start = clock.nowMs();
    for (int queries = 1;; ++queries) {
        if (link_.port().InputCount() != 0)
            return true;
        if (queries >= kAnswerQueries && clock.nowMs() - start >= kAnswerMinMs)
            return false;
        clock.yieldProcessor();
    }
}

bool FirmwareUpgrade::programmingFailed(Prompts::Kind kind, const std::string& logLine) {
    link_.prompts().progress().hide();
    link_.prompts().message(kind, MachineLink::text(TextId::ErrorDuringUpgrade), Prompts::Buttons::Ok);
    link_.log().log(logLine);
    return false;
}
