#include "core/link/MachineLink.h"

#include "core/base/CLogger.h"
#include "core/base/Clock.h"
#include "core/base/Prompts.h"
#include "core/history/FXULog.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "core/link/EComPort.h"
#include "core/link/LinkLog.h"
#include "core/link/Port.h"

#include <algorithm>
#include <cerrno>
#include <optional>

namespace {

constexpr std::uint8_t kTestMode = 0x54; // "T"
constexpr std::uint8_t kInfo = 0x49;     // "I"

// The second line under "Selected port not free" for a port that is there but cannot be used.
std::optional<std::string> whyNotUsable(const EComPort& error, const std::string& port) {
    switch (error.systemError()) {
    case EACCES:
    case EPERM:
        return ProgramTexts::Text(ProgramTexts::Id::PortAccessDenied, {port});
    case EBUSY:
    case EWOULDBLOCK:
        return ProgramTexts::Text(ProgramTexts::Id::PortBusy, {port});
    default:
        return std::nullopt;
    }
}

bool accessDenied(const EComPort& error) {
    return error.systemError() == EACCES || error.systemError() == EPERM;
}

} // namespace

MachineLink::MachineLink(Port& port, Clock& clock, Prompts& prompts, InfoFrame& frame)
    : port_(port), clock_(clock), prompts_(prompts), frame_(frame) {}

CLogger& MachineLink::log() const {
    return *CLogger::getInstance();
}

std::string MachineLink::text(TextId id) {
    return FXUStringTable::getInstance()->Text(id);
}

void MachineLink::send(std::uint8_t byte) {
    port_.Write(&byte, 1);
}

void MachineLink::closePort() {
    try {
        port_.Close();
    } catch (const EComPort&) {
        // A device that has gone is closed as far as anyone can tell.
    }
}

bool MachineLink::clearBuffers() {
    try {
        port_.ClearBuffer(true, true);
        return true;
    } catch (const EComPort& error) {
        logPortError(error);
        return false;
    }
}

void MachineLink::logPortError(const EComPort& error) {
    log().log(LinkLog::portError(port_.PortName(), error));
}

bool MachineLink::openLink(const std::string& portName) {
    reopenIfFailing();
    if (autoCOM_)
        return scanPorts();
    return openChosenPort(portName);
}

// A port an earlier operation left open (after an upgrade, as the protocol wants) may have lost its device
// since: the machine restarted, the adapter was plugged in again. It then fails every call until opened
// anew, so it is closed here, once, and the operation opens it again.
void MachineLink::reopenIfFailing() {
    if (!port_.Connected())
        return;
    try {
        port_.ClearBuffer(true, true);
    } catch (const EComPort& error) {
        log().log(LinkLog::portLeftOpenFailed(port_.PortName(), error));
        closePort();
    }
}

bool MachineLink::openChosenPort(const std::string& portName) {
    try {
        port_.SetPort(portName);
        port_.Open();
        return true;
    } catch (const EComPort& error) {
        log().log(LinkLog::portRefused(portName, error));
        std::string message = text(TextId::SelectedPortNotFree);
        if (const auto reason = whyNotUsable(error, portName))
            message += "\n" + *reason;
        prompts_.message(Prompts::Kind::Warning, message, Prompts::Buttons::Ok);
        return false;
    }
}

std::vector<std::string> MachineLink::listPorts() {
    std::vector<std::string> names;
    try {
        names = port_.EnumComPorts();
    } catch (const EComPort&) {
        if (portListShown_)
            portListShown_({});
        return {};
    }
    if (portListShown_)
        portListShown_(names);
    clock_.sleepMs(kPortListSettleMs);
    return names;
}

bool MachineLink::scanPorts() {
    const std::vector<std::string> names = listPorts();
    if (names.empty()) {
        log().log(LinkLog::kNoComPort);
        prompts_.message(Prompts::Kind::Warning, text(TextId::NoComPortFound), Prompts::Buttons::Ok);
        return false;
    }
    Progress& progress = prompts_.progress();
    progress.setCaption(text(TextId::Status));
    progress.setMax(static_cast<int>(names.size()));
    progress.show();
    deniedPort_.clear();
    // The greatest name first: a USB adapter is usually the newest, highest-numbered port.
    for (int index = static_cast<int>(names.size()) - 1; index >= 0; --index) {
        const std::string& name = names[static_cast<std::size_t>(index)];
        if (!openScannedPort(name, index))
            continue;
        if (identifyMachine()) {
            log().log(LinkLog::machineConnected(name));
            progress.hide();
            return true;
        }
    }
    progress.hide();
    scanFailed();
    return false;
}

bool MachineLink::openScannedPort(const std::string& name, int index) {
    try {
        port_.SetPort(name);
        Progress& progress = prompts_.progress();
        progress.setMessage(text(TextId::TestingPort) + " " + name);
        progress.setPosition(index);
        log().log(LinkLog::tryingPort(name));
        port_.Open();
        return true;
    } catch (const EComPort& error) {
        if (accessDenied(error) && deniedPort_.empty())
            deniedPort_ = name;
        log().log(LinkLog::couldntOpenPort(name));
        return false;
    }
}

void MachineLink::scanFailed() {
    std::string message = text(TextId::NoMachineConnected);
    // Without this a user outside the serial ports' group would look for a cable fault.
    if (!deniedPort_.empty())
        message += "\n" + ProgramTexts::Text(ProgramTexts::Id::PortAccessDenied, {deniedPort_});
    prompts_.message(Prompts::Kind::Warning, message, Prompts::Buttons::Ok);
}

bool MachineLink::identifyMachine() {
    return enterTestMode() && readInfoFrame();
}

bool MachineLink::enterTestMode() {
    try {
        port_.ClearBuffer(true, true);
        send(kTestMode);
        if (!waitForSilence()) {
            log().log(LinkLog::notInTestMode(port_.PortName()));
            return false;
        }
        port_.ClearBuffer(true, true);
        return echoCheck();
    } catch (const EComPort& error) {
        logPortError(error);
        return false;
    }
}

// The machine may still be sending what it was doing before "T"; it must fall silent within the checks.
bool MachineLink::waitForSilence() {
    const std::int64_t start = clock_.nowMs();
    for (int countdown = kSilenceChecks + 1;;) {
        port_.ClearBuffer(true, false);
        clock_.sleepMs(kSilenceWindowMs);
        if (--countdown <= 0 && clock_.nowMs() - start >= kSilenceMinMs)
            return false;
        if (port_.InputCount() == 0)
            return true;
    }
}

bool MachineLink::echoCheck() {
    std::optional<std::uint8_t> lastByte;
    const std::int64_t start = clock_.nowMs();
    for (int round = 1; round <= kEchoRounds; ++round) {
        send(kTestMode);
        clock_.sleepMs(kEchoWaitMs);
        if (round == kEchoRounds)
            break;
        // An echo there after the wait is taken as at once; a later one is looked for until the deadline.
        std::uint8_t byte = 0;
        bool received = port_.Read(&byte, 1) == 1;
        while (!received && clock_.nowMs() - start < kEchoLookMs) {
            clock_.sleepMs(kEchoLookEveryMs);
            received = port_.Read(&byte, 1) == 1;
        }
        if (received) {
            lastByte = byte;
            if (byte == kTestMode)
                return true;
        }
    }
    log().log(LinkLog::badEcho(lastByte, port_.PortName()));
    return false;
}

bool MachineLink::readInfoFrame() {
    try {
        port_.ClearBuffer(true, true);
        send(kInfo);
        int waiting = 0;
        if (!waitForInfoFrame(waiting))
            return false;
        port_.Read(frame_.identBytes.data(), static_cast<int>(frame_.identBytes.size()));
        // The version is not known yet; the form test is made with a version that never excludes it.
        frame_.hasExtBytes = (waiting & 0xFF) == static_cast<int>(InfoFrame::kExtendedSize) &&
                             FXULog::HasExtendedHeader(frame_.identBytes[1], 19, 3, 9);
        if (frame_.hasExtBytes)
            port_.Read(frame_.extBytes.data(), static_cast<int>(frame_.extBytes.size()));
        port_.Read(frame_.infoBlock.data(), static_cast<int>(frame_.infoBlock.size()));
        if (!frame_.isValid()) {
            log().log(LinkLog::badInfo(frame_));
            return false;
        }
        return true;
    } catch (const EComPort& error) {
        logPortError(error);
        return false;
    }
}

// Only the number of bytes waiting counts, never what they hold.
bool MachineLink::waitForInfoFrame(int& waiting) {
    const std::int64_t start = clock_.nowMs();
    for (int countdown = kInfoCountdown;;) {
        clock_.sleepMs(kInfoPollMs);
        if (--countdown <= 0 && clock_.nowMs() - start >= kInfoMinMs) {
            log().log(LinkLog::infoFrameTimeout(waiting, std::max(countdown, 0)));
            return false;
        }
        waiting = port_.InputCount();
        const int low = waiting & 0xFF;
        if (low == static_cast<int>(InfoFrame::kPlainSize) ||
            low == static_cast<int>(InfoFrame::kExtendedSize))
            return true;
    }
}
