#include "core/link/MachineLink.h"

#include "core/history/DownloadedHistory.h"
#include "core/i18n/ProgramTexts.h"
#include "support/ScriptedMachine.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/VirtualClock.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using Bytes = ScriptedPort::Bytes;
using Strings = std::vector<std::string>;

class MachineLinkTest : public testing::Test {
protected:
    void SetUp() override {
        FXUStringTable::getInstance()->SetLanguage(0);
        link.setPortListShown([this](const Strings& names) { shownLists.push_back(names); });
    }
    void TearDown() override { releaseSharedState(); }

    Strings progressCalls(const std::string& prefix) const {
        Strings calls;
        for (const std::string& call : prompts.progressWindow.calls)
            if (call.rfind(prefix, 0) == 0)
                calls.push_back(call);
        return calls;
    }
    int sleepsOf(int ms) const {
        return static_cast<int>(std::count(clock.sleeps.begin(), clock.sleeps.end(), ms));
    }

    VirtualClock clock;
    ScriptedPort port{clock};
    ScriptedPrompts prompts;
    DownloadedHistory data;
    MachineLink link{port, clock, prompts, data.frame};
    std::vector<Strings> shownLists;
};

} // namespace

TEST_F(MachineLinkTest, ScanTriesPortsFromTheLastAndKeepsTheOneWithTheMachineOpen) {
    port.ports = {"COM1", "COM2", "COM3"};
    port.machinePort = "COM1";
    ScriptedMachine::answerAsMachine(port, ScriptedMachine::frame(), {});
    ASSERT_TRUE(link.openLink("ignored in automatic mode"));

    EXPECT_EQ(shownLists, (std::vector<Strings>{{"COM1", "COM2", "COM3"}})) << "the chooser is refreshed";
    EXPECT_EQ(clock.sleeps.front(), 300);
    EXPECT_EQ(eventLogTexts(),
              (Strings{"Trying port: COM3",
                       "Bad echo or no echo when switch in test mode, received byte: none on port: COM3",
                       "Trying port: COM2",
                       "Bad echo or no echo when switch in test mode, received byte: none on port: COM2",
                       "Trying port: COM1", "Machine connected on port: COM1"}));
    EXPECT_EQ(prompts.progressWindow.calls,
              (Strings{"caption:Status", "max:3", "show", "message:Testing port COM3", "position:2",
                       "message:Testing port COM2", "position:1", "message:Testing port COM1", "position:0",
                       "hide"}));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.PortName(), "COM1");
    EXPECT_EQ(data.frame.serialNumber(), 0x0412ABCDu);
    // Each silent port: "T", silence, then three echo rounds without an answer.
    EXPECT_EQ(port.commands(), "TTTTTTTTTTI");
}

TEST_F(MachineLinkTest, ScanWithoutPortsOrMachineWarns) {
    ASSERT_FALSE(link.scanPorts());
    EXPECT_EQ(eventLogTexts(), Strings{"No COM port !"});
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "No COM port found");
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Warning);
    EXPECT_TRUE(prompts.progressWindow.calls.empty());

    // A list that cannot be read counts as empty: the chooser is emptied and there is no wait.
    port.ports = {"COM1"};
    port.enumerationFails = true;
    clock.sleeps.clear();
    ASSERT_FALSE(link.scanPorts());
    EXPECT_EQ(shownLists.back(), Strings{});
    EXPECT_TRUE(clock.sleeps.empty());
    EXPECT_EQ(eventLogTexts().back(), "No COM port !");

    // Ports but no machine: one line per port tried, ports that cannot be opened skipped.
    port.enumerationFails = false;
    port.ports = {"COM1", "COM2"};
    port.machinePort = "COM9";
    port.openErrors["COM2"] = EBUSY;
    prompts.shown.clear();
    releaseEventLog();
    ASSERT_FALSE(link.scanPorts());
    EXPECT_EQ(eventLogTexts(),
              (Strings{"Trying port: COM2", "Couldn't open port COM2", "Trying port: COM1",
                       "Bad echo or no echo when switch in test mode, received byte: none on port: COM1"}));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "No machine connected!");
    EXPECT_EQ(prompts.progressWindow.calls.back(), "hide") << "hidden before the box";
    EXPECT_TRUE(port.Connected()) << "the last port tried stays open";

    // A port the user may not open is named with what to do about it.
    port.openErrors["COM2"] = EACCES;
    prompts.shown.clear();
    ASSERT_FALSE(link.scanPorts());
    EXPECT_EQ(prompts.shown[0].text, "No machine connected!\n" +
                                         ProgramTexts::Text(ProgramTexts::Id::PortAccessDenied, 0, {"COM2"}));
}

TEST_F(MachineLinkTest, ScanReachesEveryPortOfALongList) {
    for (int i = 0; i < 130; ++i)
        port.ports.push_back("ttyS" + std::to_string(1000 + i));
    port.machinePort = port.ports.front();
    ScriptedMachine::answerAsMachine(port, ScriptedMachine::frame(), {});
    ASSERT_TRUE(link.scanPorts());
    EXPECT_EQ(port.PortName(), "ttyS1000");
    EXPECT_EQ(progressCalls("position:").back(), "position:0");
}

TEST_F(MachineLinkTest, ChosenPortIsOpenedWithoutIdentificationOrRefusedWithItsReason) {
    link.setAutoCOM(false);
    ASSERT_TRUE(link.openLink("/dev/pts/5"));
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(port.PortName(), "/dev/pts/5");
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(shownLists.empty()) << "no scan";

    const struct {
        const char* name;
        int error;
        std::string secondLine;
    } rows[] = {
        {"absent", ENOENT, ""},
        {"busy", EBUSY, "\n" + ProgramTexts::Text(ProgramTexts::Id::PortBusy, 0, {"ttyUSB0"})},
        {"locked", EWOULDBLOCK, "\n" + ProgramTexts::Text(ProgramTexts::Id::PortBusy, 0, {"ttyUSB0"})},
        {"not in dialout", EACCES,
         "\n" + ProgramTexts::Text(ProgramTexts::Id::PortAccessDenied, 0, {"ttyUSB0"})},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        port.Close();
        port.openErrors["ttyUSB0"] = row.error;
        prompts.shown.clear();
        releaseEventLog();
        ASSERT_FALSE(link.openLink("ttyUSB0"));
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Warning);
        EXPECT_EQ(prompts.shown[0].text, "Selected port not free" + row.secondLine);
        EXPECT_EQ(eventLogTexts(), Strings{"Couldn't open port ttyUSB0 : open /dev/ttyUSB0: " +
                                           std::string(std::strerror(row.error))});
    }
}

TEST_F(MachineLinkTest, TestModeWaitsForSilenceInNineWindows) {
    port.SetPort("COM1");
    port.Open();
    port.replyAlways('T', ScriptedPort::at(2, {'T'}));
    // Still talking 8 windows on: the ninth check finds the line quiet.
    port.arriveIn(5, Bytes(1, 'x'));
    for (int ms = 50; ms < 400; ms += 50)
        port.arriveIn(ms + 5, Bytes(3, 'x'));
    ASSERT_TRUE(link.enterTestMode());
    EXPECT_EQ(sleepsOf(50), 9);

    // A machine that keeps talking past nine windows: the tenth round fails without a check.
    clock.sleeps.clear();
    for (int ms = 0; ms < 1000; ms += 20)
        port.arriveIn(ms + 1, Bytes(2, 'x'));
    const long long countsBefore = port.inputCounts;
    ASSERT_FALSE(link.enterTestMode());
    EXPECT_EQ(sleepsOf(50), 10);
    EXPECT_EQ(port.inputCounts - countsBefore, 9);
    EXPECT_EQ(eventLogTexts().back(), "not able to pass in test mode (on port)COM1");
}

TEST_F(MachineLinkTest, EchoRounds) {
    port.SetPort("COM4");
    port.Open();
    const struct {
        const char* name;
        std::vector<ScriptedPort::Reply> echoes; // to the T after the silence, then each round's T
        bool passes;
        std::string byteText;
    } rows[] = {
        {"first round", {{}, ScriptedPort::at(2, {'T'})}, true, ""},
        {"second round after a wrong byte",
         {{}, ScriptedPort::at(2, {'x'}), ScriptedPort::at(2, {'T'})},
         true,
         ""},
        {"nothing at all", {{}}, false, "none"},
        {"wrong bytes",
         {{}, ScriptedPort::at(2, {0x07}), ScriptedPort::at(2, {0x58}), ScriptedPort::at(2, {'T'})},
         false,
         "88"},
        {"only the third round", {{}, {}, {}, ScriptedPort::at(2, {'T'})}, false, "none"},
        // Behind a slow adapter or on a busy PC: looked for until 60 ms after the first T.
        {"5 ms late", {{}, ScriptedPort::at(5, {'T'})}, true, ""},
        {"25 ms late", {{}, ScriptedPort::at(25, {'T'})}, true, ""},
        {"55 ms late", {{}, ScriptedPort::at(55, {'T'})}, true, ""},
        {"80 ms late", {{}, ScriptedPort::at(80, {'T'})}, false, "none"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        port.replyAlways('T', row.echoes.front());
        for (std::size_t i = 1; i < row.echoes.size(); ++i)
            port.reply('T', row.echoes[i]);
        port.writes.clear();
        EXPECT_EQ(link.enterTestMode(), row.passes);
        if (!row.passes) {
            EXPECT_EQ(port.commands(), "TTTT") << "three T after the first";
            EXPECT_EQ(eventLogTexts().back(),
                      "Bad echo or no echo when switch in test mode, received byte: " + row.byteText +
                          " on port: COM4");
        }
    }
}

namespace {

struct FrameRow {
    const char* name;
    Bytes answer;
    bool accepted;
    bool extended;
    std::string logLine; // when refused
};

Bytes bytesOf(std::initializer_list<int> values) {
    Bytes bytes;
    for (int value : values)
        bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

class InfoFrameRead : public MachineLinkTest, public testing::WithParamInterface<FrameRow> {};

const FrameRow kFrames[] = {
    {"Plain", bytesOf({1, 2, 3, 4, 5, 6, 0x04, 0x13, 3, 20, 0, 0x04, 0x12, 0xAB, 0xCD, 0x21}), true, false,
     ""},
    {"PlainEvenWithByteOneAbove8", bytesOf({1, 9, 3, 4, 5, 6, 0x04, 0x13, 3, 20, 0, 0x04, 0, 0, 0, 0x14}),
     true, false, ""},
    {"Extended", bytesOf({1, 9, 3, 4, 5, 6, 0xE1, 0xE2, 0x04, 0x13, 3, 20, 0, 0x04, 0, 0, 0, 0x22}), true,
     true, ""},
    {"EighteenBytesReadPlainWhenByteOneIs8",
     bytesOf({1, 8, 3, 4, 5, 6, 0x04, 0x13, 3, 20, 0, 0x04, 0, 0, 0, 0x23, 0xEE, 0xEE}), true, false, ""},
    {"UnknownBootloader", bytesOf({1, 2, 3, 4, 5, 6, 0x04, 0x13, 3, 20, 0, 0x04, 0, 0, 0, 0x20}), false,
     false, "Bad info, received buffer is 01 02 03 04 05 06  -- 04 13 03 14 00 04 00 00 00 20 "},
    {"LowestSerial", bytesOf({1, 2, 3, 4, 5, 6, 0x04, 0x13, 3, 20, 0, 0x04, 0, 0, 0, 0x21}), true, false, ""},
    {"SerialTooLow", bytesOf({1, 2, 3, 4, 5, 6, 0x04, 0x13, 3, 20, 0, 0x03, 0xFF, 0xFF, 0xFF, 0x21}), false,
     false, "Bad info, received buffer is 01 02 03 04 05 06  -- 04 13 03 14 00 03 ff ff ff 21 "},
    {"RefusedExtendedShowsItsExtensionBytes",
     bytesOf({1, 9, 3, 4, 5, 6, 0xE1, 0xE2, 0x04, 0x13, 3, 20, 0, 0x04, 0, 0, 0, 0x99}), false, true,
     "Bad info, received buffer is 01 09 03 04 05 06  --  EXT: e1 e2  -- 04 13 03 14 00 04 00 00 00 99 "},
};

} // namespace

TEST_P(InfoFrameRead, SizeFormAndValidity) {
    const FrameRow& row = GetParam();
    port.SetPort("COM1");
    port.Open();
    port.replyAlways('I', ScriptedPort::at(4, row.answer));
    EXPECT_EQ(link.readInfoFrame(), row.accepted);
    EXPECT_EQ(data.frame.hasExtBytes, row.extended);
    const std::size_t frameSize = row.extended ? 18 : 16;
    EXPECT_EQ(ScriptedMachine::frameBytes(data.frame),
              Bytes(row.answer.begin(), row.answer.begin() + frameSize))
        << "the fields keep the bytes read";
    EXPECT_EQ(port.InputCount(), static_cast<int>(row.answer.size() - frameSize)) << "the rest stays queued";
    if (!row.accepted)
        EXPECT_EQ(eventLogTexts(), Strings{row.logLine});
    else
        EXPECT_TRUE(eventLogTexts().empty());
}

INSTANTIATE_TEST_SUITE_P(Frames, InfoFrameRead, testing::ValuesIn(kFrames),
                         [](const testing::TestParamInfo<FrameRow>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(MachineLinkTest, APortLeftOpenThatFailsNowIsOpenedAgainOnce) {
    // An upgrade that failed on a row leaves the port open; the machine restarts meanwhile.
    link.setAutoCOM(false);
    port.ports = {"ttyUSB0"};
    ASSERT_TRUE(link.openLink("ttyUSB0"));
    port.stale = true;
    ScriptedMachine::answerAsMachine(port, ScriptedMachine::frame(0x13031400, 0x0412ABCD),
                                     ScriptedMachine::historyAnswer(ScriptedMachine::image(), nullptr));
    ASSERT_TRUE(link.openLink("ttyUSB0"));
    EXPECT_TRUE(link.identifyMachine()) << "the next operation works at the first try";
    EXPECT_EQ(port.opens, 2);
    EXPECT_EQ(eventLogTexts().front(), "Port ttyUSB0 left open fails (clear buffer: " +
                                           std::string(std::strerror(EIO)) + "): closed and opened again");

    // A port that works is not touched.
    releaseEventLog();
    ASSERT_TRUE(link.openLink("ttyUSB0"));
    EXPECT_EQ(port.opens, 2);
    EXPECT_TRUE(eventLogTexts().empty());
}

TEST_F(MachineLinkTest, InfoFrameTimesOutAfter99Counts) {
    port.SetPort("COM1");
    port.Open();
    port.replyAlways('I', ScriptedPort::at(4, Bytes(10, 0x21)));
    ASSERT_FALSE(link.readInfoFrame());
    EXPECT_EQ(port.inputCounts, 99);
    EXPECT_EQ(sleepsOf(4), 100);
    EXPECT_EQ(eventLogTexts(), Strings{"info frame timeout, size of received frame :10 infoWaitTime = 0"});

    // A frame that trickles in is taken once its count is right, whatever it holds so far.
    ScriptedPort::Reply slow =
        ScriptedPort::paced(ScriptedMachine::frameBytes(ScriptedMachine::frame()), 10, 4, 30);
    port.replyAlways('I', slow);
    EXPECT_TRUE(link.readInfoFrame());
}

TEST_F(MachineLinkTest, AMachineUnpluggedDuringIdentificationIsAFailureNotAnException) {
    port.ports = {"ttyUSB0"};
    ScriptedMachine::answerAsMachine(port, ScriptedMachine::frame(), {});
    port.unplugAtMs = 320; // in the first silence window after the list settled
    EXPECT_FALSE(link.scanPorts());
    EXPECT_EQ(eventLogTexts(),
              (Strings{"Trying port: ttyUSB0", "Port error on ttyUSB0 : count input: Input/output error"}));
    EXPECT_EQ(prompts.shown.at(0).text, "No machine connected!");
    link.closePort();
    EXPECT_FALSE(port.Connected());
}
