#include "core/link/HistoryDownload.h"

#include "core/base/CLogger.h"
#include "core/base/Clock.h"
#include "core/base/Prompts.h"
#include "core/history/DownloadedHistory.h"
#include "core/history/FXULog.h"
#include "core/link/EComPort.h"
#include "core/link/LinkLog.h"
#include "core/link/MachineLink.h"
#include "core/link/Port.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kPlainAnswer = static_cast<int>(FXULog::kImageSize);
constexpr int kPlainAnswerWithTail = kPlainAnswer + 2;
// Image, length byte, block, two more bytes.
constexpr int kExtraAnswerOverhead = kPlainAnswer + 3;

} // namespace

HistoryDownload::HistoryDownload(MachineLink& link, DownloadedHistory& data) : link_(link), data_(data) {}

bool HistoryDownload::fail(TextId message) {
    link_.prompts().message(Prompts::Kind::Error, MachineLink::text(message), Prompts::Buttons::Ok);
    link_.closePort();
    return false;
}

bool HistoryDownload::downloadHistory(const std::string& portName) {
    link_.log().log(LinkLog::kRequestLoadingHistory);
    if (!link_.openLink(portName))
        return false;
    if (!link_.enterTestMode())
        return fail(TextId::NoCommunication);
    if (!link_.readInfoFrame())
        return fail(TextId::ErrorLoadingMachineInformation);

    Progress& progress = link_.prompts().progress();
    progress.setCaption(MachineLink::text(TextId::HistoryStatus));
    progress.setMessage(MachineLink::text(TextId::LoadingHistory));
    progress.setPosition(0);
    progress.show();

    data_.hasExtraBlock = FXULog::HasExtraBlockVersion(data_.frame.firmwareVersion());
    const std::uint8_t command = data_.hasExtraBlock ? kHistoryAndExtra : kHistory;
    int attempts = 0;
    if (!receive(command, progress, attempts)) {
        progress.hide();
        link_.prompts().message(Prompts::Kind::Error,
                                MachineLink::text(TextId::ErrorLoadingMachineInformation),
                                Prompts::Buttons::Ok);
        link_.log().log(LinkLog::couldntLoadHistory(data_.received, attempts));
        link_.closePort();
        return false;
    }
    keepExtraBlock();
    data_.time = FXULogTime();
    progress.hide();
    return true;
}

bool HistoryDownload::receive(std::uint8_t command, Progress& progress, int& attempts) {
    try {
        link_.port().ClearBuffer(true, true);
        progress.setMax(static_cast<int>(DownloadedHistory::kBufferSize));
        while (attempts < kAttempts) {
            ++attempts;
            if (attempt(command, progress))
                return true;
        }
    } catch (const EComPort& error) {
        link_.logPortError(error);
    }
    return false;
}

bool HistoryDownload::attempt(std::uint8_t command, Progress& progress) {
    Port& port = link_.port();
    port.ClearBuffer(true, true);
    data_.received = 0;
    progress.setPosition(0);
    port.Write(&command, 1);
    link_.clock().sleepMs(kFirstByteWaitMs);
    return collect(progress) && complete();
}

// Reads until nothing has come for kQuietMs; nothing waiting at the first look is no answer. An answer
// longer than the buffer is not stored past its end and cannot be a complete one.
bool HistoryDownload::collect(Progress& progress) {
    Port& port = link_.port();
    int quietMs = kQuietMs;
    for (;;) {
        const int waiting = port.InputCount();
        if (waiting > 0) {
            const int room = static_cast<int>(DownloadedHistory::kBufferSize) - data_.received;
            const int stored = port.Read(data_.buffer.data() + data_.received, std::min(waiting, room));
            data_.received = static_cast<std::uint16_t>(data_.received + std::max(stored, 0));
            progress.setPosition(data_.received);
            if (waiting > room)
                return false;
            quietMs = 0;
        } else if (quietMs >= kQuietMs) {
            return true;
        }
        link_.clock().sleepMs(kCheckMs);
        quietMs += kCheckMs;
    }
}

bool HistoryDownload::complete() const {
    const int received = data_.received;
    if (received == kPlainAnswerWithTail || received == kPlainAnswer)
        return true;
    return received > kPlainAnswer &&
           received == data_.buffer[DownloadedHistory::kExtraLengthAt] + kExtraAnswerOverhead;
}

void HistoryDownload::keepExtraBlock() {
    const int length = data_.buffer[DownloadedHistory::kExtraLengthAt];
    if (data_.hasExtraBlock && data_.received > kPlainAnswer &&
        data_.received == length + kExtraAnswerOverhead)
        data_.extraLength = static_cast<std::uint8_t>(length);
    else
        data_.hasExtraBlock = false;
}
