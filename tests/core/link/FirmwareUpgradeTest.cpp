#include "core/link/FirmwareUpgrade.h"

#include "core/history/DownloadedHistory.h"
#include "core/link/HistoryDownload.h"
#include "core/link/MachineLink.h"
#include "support/ScriptedMachine.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using Bytes = ScriptedPort::Bytes;
using Strings = std::vector<std::string>;
using Outcome = FirmwareUpgrade::Outcome;

constexpr std::uint32_t kVersion = 0x13010101; // history asked with "H"

class FirmwareUpgradeTest : public testing::Test {
protected:
    void SetUp() override {
        FXUStringTable::getInstance()->SetLanguage(0);
        link.setAutoCOM(false);
        ScriptedMachine::answerAsMachine(port, ScriptedMachine::frame(kVersion),
                                         ScriptedMachine::historyAnswer(ScriptedMachine::image()));
    }
    void TearDown() override { releaseSharedState(); }

    std::string upgradeFile(const std::string& content) {
        const std::string path = dir.file("firmware.QVL");
        TempDir::write(path, content);
        prompts.fileAnswers.push_back(path);
        return path;
    }
    Outcome run() { return upgrade.run("ttyUSB0"); }

    // The writes after the synchronisation's "B".
    std::vector<Bytes> programmed() const {
        const auto sync = std::find(port.writes.begin(), port.writes.end(), Bytes{'B'});
        return sync == port.writes.end() ? std::vector<Bytes>{}
                                         : std::vector<Bytes>(sync + 1, port.writes.end());
    }
    // The log lines after the history download's.
    Strings logAfterHistory() const {
        const Strings log = eventLogTexts();
        const auto history = std::find(log.begin(), log.end(), "Request loading history");
        return history == log.end() ? Strings{} : Strings(history + 1, log.end());
    }

    TempDir dir;
    VirtualClock clock;
    ScriptedPort port{clock};
    ScriptedPrompts prompts;
    DownloadedHistory data;
    MachineLink link{port, clock, prompts, data.frame};
    HistoryDownload download{link, data};
    int stored = 0;
    bool storedWithPortOpen = false;
    bool keepHistory = true;
    FirmwareUpgrade upgrade{link, download, [this] {
                                ++stored;
                                storedWithPortOpen = port.Connected();
                                return keepHistory;
                            }};
};

} // namespace

TEST_F(FirmwareUpgradeTest, RowsFollowTheirSectionsCommandAndTheUpgradeEndsWithB) {
    const std::string path = upgradeFile("V2.01[TAG]\r\n[MAIN]\r\n0a1B\r\n0203\r\n[EXT]\r\nFF\r\n");
    ASSERT_EQ(run(), Outcome::Done);

    EXPECT_EQ(programmed(),
              (std::vector<Bytes>{{'P'}, {0x0A, 0x1B}, {'P'}, {0x02, 0x03}, {'R'}, {0xFF}, {'b'}}));
    EXPECT_EQ(eventLogTexts(),
              (Strings{"Request software update", "Update file is: " + path, "Request loading history",
                       "start main section", "start ext section"}));
    ASSERT_EQ(prompts.dialogs.size(), 1u);
    EXPECT_EQ(prompts.dialogs[0].filter, "Varnolt Upgrade File|*.QVL");
    EXPECT_EQ(prompts.dialogs[0].mode, Prompts::FileDialog::Mode::Open);
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[0].text, "You are going to update with firmware version:V2.01");
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Confirmation);
    EXPECT_EQ(prompts.shown[0].buttons, Prompts::Buttons::OkCancel);
    EXPECT_EQ(prompts.shown[1].text, "Upgrade done.");
    EXPECT_EQ(prompts.shown[1].kind, Prompts::Kind::Plain);
    EXPECT_EQ(stored, 1);
    EXPECT_TRUE(storedWithPortOpen);
    EXPECT_TRUE(port.Connected()) << "left open for the next operation";

    const Strings& calls = prompts.progressWindow.calls;
    const auto start = std::find(calls.begin(), calls.end(), "caption:Upgrade in progress\x85");
    ASSERT_NE(start, calls.end());
    EXPECT_EQ(Strings(start, calls.end()),
              (Strings{"caption:Upgrade in progress\x85", "max:6", "show", "position:1", "message:MAIN",
                       "position:2", "position:3", "position:4", "message:EXT", "position:5", "hide"}));

    // "t", then "B" 50 ms later after the received bytes were dropped.
    const auto& events = port.events;
    const auto t = std::find_if(events.begin(), events.end(),
                                [](const ScriptedPort::Event& e) { return e.bytes == Bytes{'t'}; });
    ASSERT_NE(t, events.end());
    EXPECT_EQ(t[-1].what, "clear in out");
    EXPECT_EQ(t[1].what, "clear in");
    EXPECT_EQ(t[2].bytes, Bytes{'B'});
    EXPECT_EQ(t[2].atMs - t->atMs, 50);
}

TEST_F(FirmwareUpgradeTest, ATagAndOneHeaderProgramNothing) {
    upgradeFile("V2.01[TAG]\r[FIR]\r");
    ASSERT_EQ(run(), Outcome::Done);
    EXPECT_EQ(programmed(), std::vector<Bytes>{{'b'}});
    EXPECT_EQ(logAfterHistory(), Strings{"start fir section"});
    EXPECT_EQ(prompts.shown.back().text, "Upgrade done.");
}

struct RowFault {
    const char* name;
    std::vector<ScriptedPort::Reply> rowAnswers;
    bool transmitStuck;
    std::string logLine;
    Prompts::Kind kind;
};

class RowFailure : public FirmwareUpgradeTest, public testing::WithParamInterface<RowFault> {};

const RowFault kRowFaults[] = {
    {"NakAtLine4",
     {ScriptedPort::at(5, {0x06}), ScriptedPort::at(5, {0x15})},
     false,
     "Received NACK result for line 4 ",
     Prompts::Kind::Error},
    {"UnexpectedByte",
     {ScriptedPort::at(5, {0x07})},
     false,
     "Unexpected result while programming line 3 : 07",
     Prompts::Kind::Error},
    {"NoAnswer", {{}}, false, "timeout when programming line 3 ", Prompts::Kind::Error},
    {"CommandNotTransmitted", {}, true, "problem sending write command at line 3 ", Prompts::Kind::Warning},
};

TEST_P(RowFailure, EndsTheUpgradeWithThePortOpen) {
    const RowFault& fault = GetParam();
    upgradeFile("V2.01[TAG]\n[MAIN]\n0a1B\n0203\n0405\n");
    port.rowReplies.assign(fault.rowAnswers.begin(), fault.rowAnswers.end());
    port.transmitStuck = fault.transmitStuck;
    ASSERT_EQ(run(), Outcome::ProgrammingFailed);
    const std::int64_t failedAt = clock.nowMs();

    EXPECT_EQ(logAfterHistory(), (Strings{"start main section", fault.logLine}));
    EXPECT_EQ(prompts.shown.back().text, "Error during upgrade!");
    EXPECT_EQ(prompts.shown.back().kind, fault.kind);
    EXPECT_EQ(prompts.progressWindow.calls.back(), "hide");
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(std::count(port.written.begin(), port.written.end(), 'b'), 0);

    // The waits: at least their count of queries and at least their time, whichever ends later.
    const std::int64_t lastWrite = port.events.back().atMs;
    if (fault.transmitStuck) {
        EXPECT_GE(port.outputCounts, 4000);
        EXPECT_EQ(failedAt - lastWrite, 1000);
    } else if (fault.rowAnswers.back().empty()) {
        EXPECT_GE(port.inputCounts, 40000);
        EXPECT_GE(failedAt - lastWrite, 3000);
        EXPECT_LE(failedAt - lastWrite, 4001);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, RowFailure, testing::ValuesIn(kRowFaults),
                         [](const testing::TestParamInfo<RowFault>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(FirmwareUpgradeTest, AnAnswerTakesAsLongAsTheMachineNeedsWithinTheTimeBound) {
    upgradeFile("V2.01[TAG]\n[MAIN]\n0a1B\n");
    port.rowReplies = {ScriptedPort::at(2500, {0x06})};
    EXPECT_EQ(run(), Outcome::Done);
}

struct SyncAnswer {
    const char* name;
    ScriptedPort::Reply answer;
    bool synchronised;
};

class Synchro : public FirmwareUpgradeTest, public testing::WithParamInterface<SyncAnswer> {};

ScriptedPort::Reply chatter(int untilMs) {
    ScriptedPort::Reply reply;
    for (int ms = 5; ms < untilMs; ms += 20)
        reply.push_back({ms, {0x06}});
    return reply;
}

const SyncAnswer kSyncAnswers[] = {
    {"AckLast", {{5, {0x41}}, {30, {0x06}}}, true},
    {"AckThenOther", {{5, {0x06}}, {30, {0x41}}}, false},
    {"Silence", {}, false},
    {"AckAfterTheLineFellSilent", {{700, {0x06}}}, false},
    {"StillAnsweringAtPoll61", chatter(1400), false},
    {"DoneByPoll60", chatter(600), true},
};

TEST_P(Synchro, TheLastByteBeforeSilenceMustBeAck) {
    port.SetPort("ttyUSB0");
    port.Open();
    port.replyAlways('B', GetParam().answer);
    EXPECT_EQ(upgrade.waitForSynchro(), GetParam().synchronised);
    EXPECT_EQ(port.commands(), "tB");
    if (std::string(GetParam().name) == "Silence") {
        EXPECT_EQ(port.inputCounts, 29);
        EXPECT_EQ(std::count(clock.sleeps.begin(), clock.sleeps.end(), 20), 29);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, Synchro, testing::ValuesIn(kSyncAnswers),
                         [](const testing::TestParamInfo<SyncAnswer>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(FirmwareUpgradeTest, NoSynchronisationClosesThePort) {
    upgradeFile("V2.01[TAG]\n[MAIN]\n0a1B\n");
    port.silence('B');
    ASSERT_EQ(run(), Outcome::NoSynchro);
    EXPECT_EQ(logAfterHistory(), Strings{"waitForSynchro return false"});
    EXPECT_EQ(prompts.shown.back().text, "No communication between PC and machine");
    EXPECT_EQ(prompts.shown.back().kind, Prompts::Kind::Error);
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(programmed().empty());
}

struct FileFault {
    const char* name;
    std::string content;
    std::string logLine;
};

class FileRefusal : public FirmwareUpgradeTest, public testing::WithParamInterface<FileFault> {};

const FileFault kFileFaults[] = {
    {"TrailingBlankAfterTag", "V2.01[TAG] \n[MAIN]\n", "NO [TAG]"},
    {"LowerCaseTag", "V2.01[tag]\n[MAIN]\n", "NO [TAG]"},
    {"ShortVersion", "V2[TAG]\n[MAIN]\n", "NO [TAG]"},
    {"Empty", "", "NO [TAG]"},
    {"DataAfterAZeroByteAtOnce", std::string("\0V2.01[TAG]\n[MAIN]\n", 19),
     "Update file damaged: data after a zero byte at offset 0"},
    {"RowsAfterAZeroByte",
     std::string("V2.01[TAG]\n[MAIN]\n00\n\0"
                 "11\n",
                 25),
     "Update file damaged: data after a zero byte at offset 21"},
    {"TagOnly", "V2.01[TAG]\n", "No MCU tag on first row"},
    {"MixedCaseHeader", "V2.01[TAG]\n[Main]\n", "No MCU tag on first row"},
    {"HeaderWithBlank", "V2.01[TAG]\n[MAIN] \n", "No MCU tag on first row"},
    {"OddRow", "V2.01[TAG]\n[MAIN]\n0a1\n", "Odd number of hex digits at line 3 "},
    {"LongRow", "V2.01[TAG]\n[MAIN]\n00\n" + std::string(608, 'A') + "\n",
     "More than 606 hex digits at line 4 "},
};

TEST_P(FileRefusal, NothingIsSentAndThePortIsClosed) {
    upgradeFile(GetParam().content);
    ASSERT_EQ(run(), Outcome::FileRefused);
    EXPECT_EQ(eventLogTexts().back(), GetParam().logLine);
    ASSERT_EQ(prompts.shown.size(), 1u) << "no confirmation";
    EXPECT_EQ(prompts.shown[0].text, "Corrupted file");
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Warning);
    EXPECT_TRUE(port.written.empty());
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(stored, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, FileRefusal, testing::ValuesIn(kFileFaults),
                         [](const testing::TestParamInfo<FileFault>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(FirmwareUpgradeTest, AFileThatIsNotARegularFileIsRefusedWithoutWaiting) {
    const std::string fifo = dir.file("pipe.QVL");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    prompts.fileAnswers.push_back(fifo);
    ASSERT_EQ(run(), Outcome::FileRefused);
    EXPECT_EQ(eventLogTexts().back(), "Update file cannot be read: " + fifo + ": not a regular file");
    EXPECT_EQ(prompts.shown.at(0).text, "Corrupted file");
}

TEST_F(FirmwareUpgradeTest, CancellingEndsWithThePortClosed) {
    ASSERT_EQ(run(), Outcome::FileNotChosen);
    EXPECT_EQ(eventLogTexts(), Strings{"Request software update"});
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(prompts.shown.empty());

    const std::string path = upgradeFile("V2.01[TAG]\n[MAIN]\n0a1B\n");
    prompts.answers.push_back(Prompts::Answer::Cancel);
    ASSERT_EQ(run(), Outcome::Cancelled);
    EXPECT_EQ(eventLogTexts(), (Strings{"Request software update", "Request software update",
                                        "Update file is: " + path, "Update cancelled by user"}));
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(port.written.empty());
}

TEST_F(FirmwareUpgradeTest, AHistoryThatDidNotComeDoesNotStopTheUpgrade) {
    upgradeFile("V2.01[TAG]\n[MAIN]\n0a1B\n");
    port.silence('I');
    ASSERT_EQ(run(), Outcome::Done);
    EXPECT_EQ(stored, 0);
    EXPECT_EQ(logAfterHistory(),
              (Strings{"info frame timeout, size of received frame :0 infoWaitTime = 0",
                       "Can not load History during SW upgrade - proceed further", "start main section"}));
    EXPECT_EQ(prompts.shown.at(1).text, "Error while loading machine information");
    EXPECT_EQ(port.opens, 2) << "closed by the download, opened again";
    EXPECT_EQ(programmed().back(), Bytes{'b'});

    // When the port cannot be opened again the upgrade ends there.
    releaseEventLog();
    upgradeFile("V2.01[TAG]\n[MAIN]\n0a1B\n");
    port.onOperation = [this](const std::string& operation) {
        const std::string commands = port.commands();
        if (operation == "count input" && !commands.empty() && commands.back() == 'I')
            port.openErrors["ttyUSB0"] = EBUSY;
    };
    port.Close();
    port.writes.clear();
    EXPECT_EQ(run(), Outcome::NoLink);
    EXPECT_EQ(prompts.shown.back().text.rfind("Selected port not free\n", 0), 0u);
    EXPECT_EQ(port.commands().find('t'), std::string::npos);
}

TEST_F(FirmwareUpgradeTest, AHistoryThatCannotBeKeptStopsTheUpgradeBeforeProgramming) {
    upgradeFile("V2.01[TAG]\n[MAIN]\n0a1B\n");
    keepHistory = false;
    ASSERT_EQ(run(), Outcome::HistoryNotKept);
    EXPECT_EQ(stored, 1);
    EXPECT_EQ(port.commands().find('t'), std::string::npos);
    EXPECT_FALSE(port.Connected());
}

TEST_F(FirmwareUpgradeTest, AMachineUnpluggedDuringProgrammingEndsWithTheUpgradeError) {
    upgradeFile("V2.01[TAG]\n[MAIN]\n0a1B\n0203\n0405\n");
    port.rowReplies = {ScriptedPort::at(5, {0x06})};
    port.onOperation = [this](const std::string&) {
        if (!port.unplugAtMs && port.written.size() > 2 && port.written.back() == 0x1B)
            port.unplugAtMs = clock.nowMs() + 10;
    };
    ASSERT_EQ(run(), Outcome::ProgrammingFailed);
    EXPECT_EQ(logAfterHistory(),
              (Strings{"start main section",
                       "Port error while programming line 4 : count input: Input/output error"}));
    EXPECT_EQ(prompts.shown.back().text, "Error during upgrade!");
    EXPECT_FALSE(port.Connected());
}
