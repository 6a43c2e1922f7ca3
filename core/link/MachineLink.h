#pragma once

#include "core/history/InfoFrame.h"
#include "core/i18n/TextId.h"

#include <functional>
#include <string>
#include <vector>

class Clock;
class CLogger;
class EComPort;
class Port;
class Prompts;

// Reaching a machine: the port chosen by the user or found by a scan, the switch into test mode with its
// echo check, and the info frame that says which machine it is. Failures are logged here; the message
// boxes of this stage are shown here too, those of the callers' stages by the callers.
class MachineLink {
public:
    static constexpr int kSilenceChecks = 9;
    static constexpr int kSilenceWindowMs = 50;
    static constexpr int kEchoRounds = 3;
    static constexpr int kEchoWaitMs = 10;
    // A USB adapter holds received bytes back for its latency timer (16 ms on the common chips) and a busy
    // PC reads late: after the wait the echo is looked for every millisecond until this long after the
    // first "T" of the check.
    static constexpr int kEchoLookMs = 60;
    static constexpr int kEchoLookEveryMs = 1;
    static constexpr int kInfoCountdown = 100;
    static constexpr int kInfoPollMs = 4;
    // The counted waits last at least this long, however quickly the sleeps return.
    static constexpr int kSilenceMinMs = kSilenceChecks * kSilenceWindowMs;
    static constexpr int kInfoMinMs = (kInfoCountdown - 1) * kInfoPollMs;
    static constexpr int kPortListSettleMs = 300;

    // Receives the ports each scan lists, so that a port chooser can show them.
    using PortListShown = std::function<void(const std::vector<std::string>& names)>;

    // frame receives every info frame read.
    MachineLink(Port& port, Clock& clock, Prompts& prompts, InfoFrame& frame);

    void setAutoCOM(bool on) { autoCOM_ = on; }
    bool autoCOM() const { return autoCOM_; }
    void setPortListShown(PortListShown shown) { portListShown_ = std::move(shown); }

    // An open port with, in automatic mode, an identified machine behind it.
    bool openLink(const std::string& portName);
    bool scanPorts();
    bool identifyMachine();
    bool enterTestMode();
    bool readInfoFrame();

    // Closes the port; a port whose device has gone is simply let go.
    void closePort();
    // Discards what is queued both ways; false, logged, when the device has gone.
    bool clearBuffers();
    // Logs a port that failed in the middle of an exchange.
    void logPortError(const EComPort& error);

    Port& port() const { return port_; }
    Clock& clock() const { return clock_; }
    Prompts& prompts() const { return prompts_; }
    CLogger& log() const;
    const InfoFrame& frame() const { return frame_; }
    // The catalogue text in the current language.
    static std::string text(TextId id);

private:
    bool openChosenPort(const std::string& portName);
    std::vector<std::string> listPorts();
    bool openScannedPort(const std::string& name, int index);
    void scanFailed();
    bool waitForSilence();
    bool echoCheck();
    bool waitForInfoFrame(int& bytesWaiting);
    void send(std::uint8_t byte);
    void reopenIfFailing();

    Port& port_;
    Clock& clock_;
    Prompts& prompts_;
    InfoFrame& frame_;
    bool autoCOM_ = true;
    PortListShown portListShown_;
    std::string deniedPort_; // the first port of a scan the user may not open
};
