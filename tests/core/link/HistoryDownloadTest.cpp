#include "core/link/HistoryDownload.h"

#include "core/history/DownloadedHistory.h"
#include "core/link/MachineLink.h"
#include "support/ScriptedMachine.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

namespace {

using Bytes = ScriptedPort::Bytes;
using Strings = std::vector<std::string>;

constexpr std::uint32_t kPlainVersion = 0x13010101; // asked with "H"
constexpr std::uint32_t kExtraVersion = 0x13031400; // asked with "D"

class HistoryDownloadTest : public testing::Test {
protected:
    void SetUp() override {
        FXUStringTable::getInstance()->SetLanguage(0);
        link.setAutoCOM(false);
    }
    void TearDown() override { releaseSharedState(); }

    void machine(std::uint32_t version, const Bytes& answer) {
        ScriptedMachine::answerAsMachine(port, ScriptedMachine::frame(version), answer);
    }
    bool download() { return loader.downloadHistory("ttyUSB0"); }
    std::string commandSent() const {
        const std::string commands = port.commands();
        return commands.substr(commands.find('I') + 1);
    }

    std::size_t historyCommands() const {
        const std::string commands = port.commands();
        return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), 'H'));
    }

    VirtualClock clock;
    ScriptedPort port{clock};
    ScriptedPrompts prompts;
    DownloadedHistory data;
    MachineLink link{port, clock, prompts, data.frame};
    HistoryDownload loader{link, data};
    const FXULog::Image image = ScriptedMachine::image();
};

struct VersionRow {
    const char* name;
    std::uint32_t version;
    char command;
};

class HistoryCommand : public HistoryDownloadTest, public testing::WithParamInterface<VersionRow> {};

const VersionRow kVersions[] = {
    {"ExtraBlockVersion", 0x13010102, 'D'},
    {"JustBelow", 0x13010101, 'H'},
    {"Major22", 0x16000000, 'H'},
    {"Build50", 0x13033200, 'H'},
};

} // namespace

TEST_P(HistoryCommand, FollowsTheExtraBlockVersionTest) {
    machine(GetParam().version, ScriptedMachine::historyAnswer(image));
    ASSERT_TRUE(download());
    EXPECT_EQ(commandSent(), std::string(1, GetParam().command));
}

INSTANTIATE_TEST_SUITE_P(Versions, HistoryCommand, testing::ValuesIn(kVersions),
                         [](const testing::TestParamInfo<VersionRow>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(HistoryDownloadTest, AnHAnswerOf8194BytesIsCompleteAtOnce) {
    machine(kPlainVersion, ScriptedMachine::historyAnswer(image));
    const FXULogTime before;
    ASSERT_TRUE(download());
    EXPECT_EQ(data.received, 8194);
    EXPECT_FALSE(data.hasExtraBlock);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), data.image()));
    EXPECT_TRUE(port.Connected()) << "the port stays open";
    EXPECT_EQ(commandSent(), "H");
    EXPECT_EQ(eventLogTexts(), Strings{"Request loading history"});
    EXPECT_TRUE(prompts.shown.empty());

    const Strings& calls = prompts.progressWindow.calls;
    ASSERT_GE(calls.size(), 8u);
    EXPECT_EQ(Strings(calls.begin(), calls.begin() + 6),
              (Strings{"caption:Status", "message:Loading history", "position:0", "show", "max:8320",
                       "position:0"}));
    EXPECT_EQ(calls[calls.size() - 2], "position:8194");
    EXPECT_EQ(calls.back(), "hide");
    // The first look comes 60 ms after the command, then one every 10 ms.
    EXPECT_EQ(std::count(clock.sleeps.begin(), clock.sleeps.end(), 60), 1);
    EXPECT_GE(std::count(clock.sleeps.begin(), clock.sleeps.end(), 10), 200);

    // The time is taken when the download succeeds.
    EXPECT_LE(before, data.time);
    EXPECT_LE(data.time, FXULogTime());
}

// The answer is over once the machine has been quiet for 100 ms, seen within 10 ms of that: a pause that
// short inside the answer does not cut it, a longer one does.
TEST_F(HistoryDownloadTest, TheAnswerEndsAfterATenthOfASecondOfQuiet) {
    const Bytes answer = ScriptedMachine::historyAnswer(image);
    machine(kPlainVersion, answer);
    const auto withPause = [&](int pauseMs) {
        ScriptedPort::Reply reply = ScriptedMachine::onTheWire(answer);
        for (std::size_t i = reply.size() / 2; i < reply.size(); ++i)
            reply[i].atMs += pauseMs;
        return reply;
    };

    for (const int pauseMs : {0, 90}) {
        SCOPED_TRACE(pauseMs);
        port.Close();
        const ScriptedPort::Reply reply = withPause(pauseMs);
        port.replyAlways('H', reply);
        const auto asked = historyCommands();
        ASSERT_TRUE(download());
        EXPECT_EQ(data.received, answer.size());
        EXPECT_EQ(historyCommands(), asked + 1) << "in one attempt";
        std::int64_t commandAt = -1;
        for (const auto& event : port.events)
            if (event.what == "write")
                commandAt = event.atMs;
        const std::int64_t quietMs = clock.nowMs() - (commandAt + reply.back().atMs);
        EXPECT_GE(quietMs, HistoryDownload::kQuietMs);
        EXPECT_LE(quietMs, HistoryDownload::kQuietMs + HistoryDownload::kCheckMs);
    }

    // A longer pause ends the attempt there: the next command goes out before the rest of the answer.
    port.Close();
    const ScriptedPort::Reply cut = withPause(120);
    port.replyAlways('H', cut);
    const std::size_t eventsBefore = port.events.size();
    download();
    std::vector<std::int64_t> historyWrites;
    for (std::size_t i = eventsBefore; i < port.events.size(); ++i)
        if (port.events[i].what == "write" && port.events[i].bytes == Bytes{'H'})
            historyWrites.push_back(port.events[i].atMs);
    ASSERT_GE(historyWrites.size(), 2u);
    const std::int64_t pauseFrom = historyWrites[0] + cut[cut.size() / 2 - 1].atMs;
    const std::int64_t pauseTo = historyWrites[0] + cut[cut.size() / 2].atMs;
    EXPECT_GE(historyWrites[1], pauseFrom + HistoryDownload::kQuietMs);
    EXPECT_LT(historyWrites[1], pauseTo);
}

TEST_F(HistoryDownloadTest, DAnswersWithAndWithoutTheirExtraBlock) {
    std::vector<std::uint8_t> block(10);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(0xA0 + i);
    machine(kExtraVersion, ScriptedMachine::historyAnswer(image, &block));
    ASSERT_TRUE(download());
    EXPECT_EQ(commandSent(), "D");
    EXPECT_EQ(data.received, 8205);
    EXPECT_TRUE(data.hasExtraBlock);
    EXPECT_EQ(data.extraLength, 10);
    EXPECT_EQ(data.extraBlock(), block);

    // The image alone is a complete answer too, without a block.
    port.Close();
    port.replyAlways('D', ScriptedMachine::onTheWire(Bytes(image.begin(), image.end())));
    ASSERT_TRUE(download());
    EXPECT_EQ(data.received, 8192);
    EXPECT_FALSE(data.hasExtraBlock);
    EXPECT_TRUE(data.extraBlock().empty());
}

TEST_F(HistoryDownloadTest, ThreeIncompleteAnswersFailWithOneLine) {
    Bytes answer(image.begin(), image.end());
    answer.push_back(0x55); // 8193
    machine(kPlainVersion, answer);
    ASSERT_FALSE(download());
    EXPECT_EQ(commandSent(), "HHH");
    EXPECT_EQ(eventLogTexts(), (Strings{"Request loading history",
                                        "Couldn't load history : NbBytes loaded: 8193//Retry count :3"}));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Error while loading machine information");
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Error);
    EXPECT_EQ(prompts.progressWindow.calls.back(), "hide") << "hidden before the box";
    EXPECT_FALSE(port.Connected());
}

TEST_F(HistoryDownloadTest, ACompleteThirdAttemptSucceeds) {
    machine(kPlainVersion, {});
    port.replyAlways('H', ScriptedMachine::onTheWire(Bytes(100, 1)));
    port.reply('H', {});
    port.reply('H', ScriptedMachine::onTheWire(ScriptedMachine::historyAnswer(image)));
    ASSERT_TRUE(download());
    EXPECT_EQ(commandSent(), "HHH");
    EXPECT_EQ(data.received, 8194);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), data.image()));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(HistoryDownloadTest, AnAnswerLongerThanTheBufferIsNotStoredPastItsEnd) {
    Bytes answer(9000);
    for (std::size_t i = 0; i < answer.size(); ++i)
        answer[i] = static_cast<std::uint8_t>(i);
    answer[8192] = 125; // would make 8320 a complete length
    machine(kPlainVersion, answer);
    struct Guarded {
        DownloadedHistory history;
        std::array<std::uint8_t, 64> after{};
    } guarded;
    MachineLink guardedLink{port, clock, prompts, guarded.history.frame};
    guardedLink.setAutoCOM(false);
    HistoryDownload guardedLoader{guardedLink, guarded.history};
    ASSERT_FALSE(guardedLoader.downloadHistory("ttyUSB0"));
    EXPECT_EQ(guarded.history.received, 8320);
    EXPECT_EQ(guarded.after, (std::array<std::uint8_t, 64>{}));
    EXPECT_EQ(eventLogTexts().back(), "Couldn't load history : NbBytes loaded: 8320//Retry count :3");
}

TEST_F(HistoryDownloadTest, FailuresBeforeTheImageCloseThePortWithTheirMessage) {
    // No link: nothing shown here beyond the link's own box, the port left as it was.
    port.openErrors["ttyUSB0"] = ENOENT;
    ASSERT_FALSE(download());
    EXPECT_EQ(prompts.shown.at(0).text, "Selected port not free");
    port.openErrors.clear();

    // Test mode refused.
    prompts.shown.clear();
    ASSERT_FALSE(download());
    EXPECT_EQ(prompts.shown.at(0).text, "No communication between PC and machine");
    EXPECT_EQ(prompts.shown.at(0).kind, Prompts::Kind::Error);
    EXPECT_FALSE(port.Connected());

    // No info frame.
    port.replyAlways('T', ScriptedPort::at(2, {'T'}));
    prompts.shown.clear();
    ASSERT_FALSE(download());
    EXPECT_EQ(prompts.shown.at(0).text, "Error while loading machine information");
    EXPECT_EQ(eventLogTexts().back(), "info frame timeout, size of received frame :0 infoWaitTime = 0");
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(prompts.progressWindow.calls.empty()) << "no progress before the image is asked for";
}

TEST_F(HistoryDownloadTest, AMachineUnpluggedMidAnswerEndsTheDownloadCleanly) {
    machine(kPlainVersion, ScriptedMachine::historyAnswer(image));
    port.onOperation = [this](const std::string& operation) {
        if (operation == "count input" && !port.unplugAtMs && port.commands().find('H') != std::string::npos)
            port.unplugAtMs = clock.nowMs() + 1000;
    };
    ASSERT_FALSE(download());
    const Strings log = eventLogTexts();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Port error on ttyUSB0 : count input: Input/output error");
    EXPECT_EQ(log.back().rfind("Couldn't load history : NbBytes loaded: ", 0), 0u) << log.back();
    EXPECT_EQ(log.back().substr(log.back().size() - 16), "//Retry count :1");
    EXPECT_EQ(prompts.shown.at(0).text, "Error while loading machine information");
    EXPECT_FALSE(port.Connected());
}
