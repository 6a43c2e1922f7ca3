#include "apps/machine-sim/MachineProtocol.h"

#include "core/base/ByteOrder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int64_t kMs = 1000000;
constexpr std::int64_t kByte = MachineProtocol::kByteNs;

MachineContents knownMachine() {
    MachineContents c;
    c.frame.identBytes = {0x01, 0x05, 0x04, 0x10, 0x20, 0x30};
    c.frame.infoBlock = {0x14, 0x13, 0x02, 0x01, 0x01, 0x04, 0x12, 0xAB, 0xCD, 0x21};
    for (std::size_t i = 0; i < c.image.size(); ++i)
        c.image[i] = static_cast<std::uint8_t>(i * 7);
    c.extraBlock = {2, 3, 5, 7, 11, 13, 17, 19, 23, 29};
    return c;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// A machine on a line with made-up time; the PC's side of the line is this class.
class Line {
public:
    explicit Line(MachineConfig config = {}, MachineContents contents = knownMachine())
        : machine(std::move(config), std::move(contents)) {
        machine.setTraceSink([this](const std::string& line) { trace.push_back(line); });
    }

    void send(const Bytes& bytes) { machine.receive(bytes.data(), bytes.size(), now); }
    void send(const std::string& s) { send(text(s)); }

    // Everything the machine sends until the time has moved on by ns, waking when the machine asks to, as
    // the terminal does.
    Bytes waitNs(std::int64_t ns) {
        const std::int64_t end = now + ns;
        Bytes got;
        for (;;) {
            const auto next = machine.nextEventNs();
            now = next && *next > now && *next < end ? *next : end;
            const Bytes out = machine.transmit(now);
            got.insert(got.end(), out.begin(), out.end());
            if (now == end)
                return got;
        }
    }
    Bytes waitMs(std::int64_t ms) { return waitNs(ms * kMs); }

    // Sends "T" twice, as the PC's test mode switch does, and drops the echo.
    void enterTestMode() {
        send("T");
        waitMs(600);
        send("T");
        waitMs(10);
    }
    void synchronise() {
        send("t");
        waitMs(50);
        send("B");
        waitMs(100);
    }

    MachineProtocol machine;
    std::int64_t now = 1000 * kMs;
    std::vector<std::string> trace;
};

MachineConfig unpaced() {
    MachineConfig config;
    config.paced = false;
    return config;
}

Bytes historyAnswer(const MachineContents& c, bool withExtra) {
    Bytes bytes(c.image.begin(), c.image.end());
    if (withExtra) {
        bytes.push_back(static_cast<std::uint8_t>(c.extraBlock.size()));
        bytes.insert(bytes.end(), c.extraBlock.begin(), c.extraBlock.end());
    }
    unsigned sum = 0;
    for (const auto b : bytes)
        sum += b;
    bytes.push_back(static_cast<std::uint8_t>(sum >> 8));
    bytes.push_back(static_cast<std::uint8_t>(sum));
    return bytes;
}

} // namespace

TEST(MachineProtocolTest, AnswersOnlyInTestModeAndEchoesOnlyTheLaterT) {
    Line line(unpaced());
    line.send("I");
    line.send("H");
    EXPECT_TRUE(line.waitMs(100).empty());
    line.send("T");
    EXPECT_TRUE(line.waitMs(500).empty()) << "the T that enters test mode is not echoed";
    line.send("T");
    EXPECT_EQ(line.waitMs(10), text("T"));
    line.send("I");
    EXPECT_EQ(line.waitMs(10), knownMachine().infoFrameBytes());
    line.send("H");
    EXPECT_EQ(line.waitMs(10), historyAnswer(knownMachine(), false));
    line.send("D");
    EXPECT_EQ(line.waitMs(10), historyAnswer(knownMachine(), true));
    EXPECT_EQ(line.trace, (std::vector<std::string>{"ignored 49", "ignored 48", "T", "T", "I", "H", "D"}));
}

TEST(MachineProtocolTest, PacedAnswersLeaveOneByteEveryTenBitTimes) {
    Line line;
    line.enterTestMode();
    line.send("H");
    // The "H" itself takes a byte time to arrive; then byte k of the answer is complete k byte times later.
    EXPECT_TRUE(line.waitNs(2 * kByte - 1).empty());
    EXPECT_EQ(line.waitNs(1).size(), 1u);
    EXPECT_EQ(line.waitNs(99 * kByte).size(), 99u);
    const Bytes rest = line.waitNs(8094 * kByte);
    EXPECT_EQ(rest.size(), 8094u);
    EXPECT_TRUE(line.waitMs(100).empty());
}

TEST(MachineProtocolTest, UnpacedAnswersLeaveAtOnce) {
    Line line(unpaced());
    line.enterTestMode();
    line.send("H");
    EXPECT_EQ(line.waitNs(0).size(), 8194u);
}

struct EchoCase {
    const char* name;
    bool noEcho;
    std::optional<std::uint8_t> wrongEcho;
    Bytes echo;
};

class MachineProtocolEcho : public testing::TestWithParam<EchoCase> {};

TEST_P(MachineProtocolEcho, AnswersTheLaterTAsConfigured) {
    MachineConfig config = unpaced();
    config.noEcho = GetParam().noEcho;
    config.wrongEcho = GetParam().wrongEcho;
    Line line(config);
    line.send("T");
    EXPECT_TRUE(line.waitMs(500).empty());
    for (int round = 0; round < 3; ++round) {
        line.send("T");
        EXPECT_EQ(line.waitMs(10), GetParam().echo);
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, MachineProtocolEcho,
                         testing::Values(EchoCase{"Healthy", false, std::nullopt, {0x54}},
                                         EchoCase{"NoEcho", true, std::nullopt, {}},
                                         EchoCase{"WrongEcho", false, 0x55, {0x55}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MachineProtocolTest, NoiseAfterTKeepsTheLineBusyAtTheLineRateEvenUnpaced) {
    MachineConfig config = unpaced();
    config.noiseAfterTMs = 1000;
    Line line(config);
    line.send("T");
    // The PC checks nine 50 ms windows for silence; each must find bytes.
    for (int window = 0; window < 10; ++window)
        EXPECT_GE(line.waitMs(50).size(), 190u) << "window " << window;
    line.waitMs(500);
    EXPECT_TRUE(line.waitMs(100).empty()) << "the noise ends";
    line.send("T");
    EXPECT_EQ(line.waitMs(10), text("T")) << "the machine is in test mode after the noise";
    line.send("T");
    EXPECT_EQ(line.waitMs(10), text("T")) << "later T bytes bring no more noise";
}

struct InfoCase {
    const char* name;
    std::optional<std::array<std::uint8_t, 2>> ext;
    std::optional<std::size_t> shortBy;
    MachineConfig::InfoInvalid invalid;
    Bytes frame;
};

class MachineProtocolInfo : public testing::TestWithParam<InfoCase> {};

TEST_P(MachineProtocolInfo, SendsTheFrameAsConfigured) {
    MachineConfig config = unpaced();
    config.infoShort = GetParam().shortBy;
    config.infoInvalid = GetParam().invalid;
    MachineContents contents = knownMachine();
    if (GetParam().ext) {
        contents.frame.hasExtBytes = true;
        contents.frame.extBytes = *GetParam().ext;
    }
    Line line(config, contents);
    line.enterTestMode();
    line.send("I");
    EXPECT_EQ(line.waitMs(10), GetParam().frame);
}

INSTANTIATE_TEST_SUITE_P(Frames, MachineProtocolInfo,
                         testing::Values(InfoCase{"Plain",
                                                  std::nullopt,
                                                  std::nullopt,
                                                  MachineConfig::InfoInvalid::None,
                                                  {0x01, 0x05, 0x04, 0x10, 0x20, 0x30, 0x14, 0x13, 0x02, 0x01,
                                                   0x01, 0x04, 0x12, 0xAB, 0xCD, 0x21}},
                                         InfoCase{"Extended",
                                                  std::array<std::uint8_t, 2>{0xE1, 0xE2},
                                                  std::nullopt,
                                                  MachineConfig::InfoInvalid::None,
                                                  {0x01, 0x05, 0x04, 0x10, 0x20, 0x30, 0xE1, 0xE2, 0x14, 0x13,
                                                   0x02, 0x01, 0x01, 0x04, 0x12, 0xAB, 0xCD, 0x21}},
                                         InfoCase{
                                             "Short",
                                             std::nullopt,
                                             10,
                                             MachineConfig::InfoInvalid::None,
                                             {0x01, 0x05, 0x04, 0x10, 0x20, 0x30, 0x14, 0x13, 0x02, 0x01}},
                                         InfoCase{"BadBootloader",
                                                  std::nullopt,
                                                  std::nullopt,
                                                  MachineConfig::InfoInvalid::Bootloader,
                                                  {0x01, 0x05, 0x04, 0x10, 0x20, 0x30, 0x14, 0x13, 0x02, 0x01,
                                                   0x01, 0x04, 0x12, 0xAB, 0xCD, 0x20}},
                                         InfoCase{"LowSerialExtended",
                                                  std::array<std::uint8_t, 2>{0xE1, 0xE2},
                                                  std::nullopt,
                                                  MachineConfig::InfoInvalid::Serial,
                                                  {0x01, 0x05, 0x04, 0x10, 0x20, 0x30, 0xE1, 0xE2, 0x14, 0x13,
                                                   0x02, 0x01, 0x01, 0x03, 0x12, 0xAB, 0xCD, 0x21}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MachineProtocolTest, TruncatedHistoryAnswersOnlyAsOftenAsAsked) {
    MachineConfig config = unpaced();
    config.historyTruncate = 8193;
    config.historyFaultCount = 2;
    Line line(config);
    line.enterTestMode();
    for (int attempt = 0; attempt < 2; ++attempt) {
        line.send("H");
        EXPECT_EQ(line.waitMs(10).size(), 8193u) << "attempt " << attempt;
    }
    line.send("H");
    EXPECT_EQ(line.waitMs(10), historyAnswer(knownMachine(), false)) << "the third answer is whole";
}

TEST(MachineProtocolTest, PausedHistoryAnswerStopsAfterKBytesForThePause) {
    MachineConfig config;
    config.historyPause = MachineConfig::Pause{1000, 150};
    Line line(config);
    line.enterTestMode();
    line.send("D");
    Bytes got = line.waitNs(1001 * kByte);
    EXPECT_EQ(got.size(), 1000u);
    EXPECT_TRUE(line.waitNs(150 * kMs - 1).empty()) << "nothing during the pause";
    const Bytes rest = line.waitMs(3000);
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(got, historyAnswer(knownMachine(), true));
}

TEST(MachineProtocolTest, PauseBeforeTheFirstByteIsALateAnswer) {
    MachineConfig config = unpaced();
    config.historyPause = MachineConfig::Pause{0, 80};
    Line line(config);
    line.enterTestMode();
    line.send("H");
    EXPECT_TRUE(line.waitNs(80 * kMs - 1).empty());
    EXPECT_EQ(line.waitNs(1).size(), 8194u);
}

struct SyncCase {
    const char* name;
    Bytes answer;
};

class MachineProtocolSync : public testing::TestWithParam<SyncCase> {};

TEST_P(MachineProtocolSync, AnswersTAndBWithTheConfiguredBytes) {
    MachineConfig config = unpaced();
    config.syncAnswer = GetParam().answer;
    Line line(config);
    line.send("t");
    EXPECT_TRUE(line.waitMs(50).empty());
    line.send("B");
    EXPECT_EQ(line.waitMs(10), GetParam().answer);
    EXPECT_EQ(line.trace, (std::vector<std::string>{"t", "B"}));
}

INSTANTIATE_TEST_SUITE_P(Answers, MachineProtocolSync,
                         testing::Values(SyncCase{"Ack", {0x06}}, SyncCase{"OtherThenAck", {0x41, 0x06}},
                                         SyncCase{"AckThenOther", {0x06, 0x41}}, SyncCase{"None", {}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MachineProtocolTest, ABetweenTAndBIsNotASynchronisation) {
    Line line(unpaced());
    line.send("t");
    line.send("T");
    line.send("B");
    line.send("P");
    EXPECT_TRUE(line.waitMs(700).empty());
    EXPECT_EQ(line.trace, (std::vector<std::string>{"t", "T", "ignored 42", "ignored 50"}));
}

TEST(MachineProtocolTest, RowsEndAfterAQuietGapAndAreAcknowledgedAfterTheProgrammingDelay) {
    MachineConfig config = unpaced();
    config.rowDelayMs = 30;
    config.rowGapMs = 2;
    Line line(config);
    line.synchronise();
    line.send("P");
    line.send(Bytes{0x0A, 0x1B});
    line.waitNs(1 * kMs);
    line.send(Bytes{0x2C}); // within the gap: the same row
    EXPECT_TRUE(line.waitNs(32 * kMs - 1).empty());
    EXPECT_EQ(line.waitNs(1), Bytes{0x06});
    line.send("R");
    EXPECT_TRUE(line.waitMs(529).empty()) << "a row without bytes ends 500 ms after its command";
    EXPECT_EQ(line.waitMs(2), Bytes{0x06});
    line.send("b");
    EXPECT_TRUE(line.waitMs(10).empty());
    EXPECT_TRUE(line.machine.upgradeEnded());
    EXPECT_EQ(line.trace, (std::vector<std::string>{"t", "B", "P 0a1b2c", "R", "b"}));
}

TEST(MachineProtocolTest, PacedRowsCountTheirTimeOnTheLine) {
    MachineConfig config;
    config.rowDelayMs = 10;
    config.expectedRows = std::vector<ExpectedRow>{{'P', Bytes(300, 0x11), 3}};
    Line line(config);
    line.synchronise();
    line.send("P");
    line.send(Bytes(300, 0x11));
    // Command and row take 301 byte times to arrive; then the machine programs the row.
    EXPECT_TRUE(line.waitNs(301 * kByte + 10 * kMs + kByte - 1).empty());
    EXPECT_EQ(line.waitNs(1), Bytes{0x06});
}

TEST(MachineProtocolTest, TheUpgradeFileGivesEachRowItsExactLength) {
    MachineConfig config = unpaced();
    config.rowDelayMs = 5;
    config.expectedRows =
        std::vector<ExpectedRow>{{'P', {0x01, 0x02, 0x03}, 3}, {'P', {}, 4}, {'Q', {0x50, 0x51}, 6}};
    Line line(config);
    line.synchronise();
    line.send("P");
    line.send(Bytes{0x01});
    line.waitMs(100);
    line.send(Bytes{0x02, 0x03}); // a late second part is still the same row
    EXPECT_EQ(line.waitMs(5), Bytes{0x06});
    line.send("P");
    EXPECT_EQ(line.waitMs(5), Bytes{0x06}) << "an empty row needs no silence";
    line.send("R");
    line.send(Bytes{0x50, 0x52}); // row bytes that look like commands, and differ from the file
    EXPECT_EQ(line.waitMs(5), Bytes{0x06});
    EXPECT_EQ(line.trace,
              (std::vector<std::string>{"t", "B", "P 010203", "P",
                                        "note row 3 came with command 52, the file's section gives 51",
                                        "R 5052", "note row 3 differs from line 6 of the upgrade file"}));
}

struct RowFaultCase {
    const char* name;
    MachineConfig::RowFault::Kind kind;
    std::uint8_t byte;
    Bytes answer;
};

class MachineProtocolRowFault : public testing::TestWithParam<RowFaultCase> {};

TEST_P(MachineProtocolRowFault, AnswersRowKSoAndTheOthersWithAck) {
    MachineConfig config = unpaced();
    config.rowFault = MachineConfig::RowFault{2, GetParam().kind, GetParam().byte};
    Line line(config);
    for (int upgrade = 0; upgrade < 2; ++upgrade) {
        line.synchronise();
        for (int row = 1; row <= 3; ++row) {
            line.send("Q");
            line.send(Bytes{static_cast<std::uint8_t>(row)});
            EXPECT_EQ(line.waitMs(100), row == 2 ? GetParam().answer : Bytes{0x06})
                << "upgrade " << upgrade << " row " << row;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, MachineProtocolRowFault,
    testing::Values(RowFaultCase{"Nak", MachineConfig::RowFault::Kind::Nak, 0, {0x15}},
                    RowFaultCase{"OtherByte", MachineConfig::RowFault::Kind::Byte, 0x07, {0x07}},
                    RowFaultCase{"Silence", MachineConfig::RowFault::Kind::Silence, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MachineProtocolTest, AfterTheUpgradeTheMachineRestartsOutOfTestMode) {
    Line line(unpaced());
    line.enterTestMode();
    line.synchronise();
    line.send("b");
    line.send("I");
    EXPECT_TRUE(line.waitMs(10).empty());
    line.send("T");
    EXPECT_TRUE(line.waitMs(10).empty()) << "this T enters test mode again";
    line.send("T");
    EXPECT_EQ(line.waitMs(10), text("T"));
}

struct DisconnectCase {
    const char* name;
    char command;
    std::size_t after;
    std::size_t expected;
};

class MachineProtocolDisconnect : public testing::TestWithParam<DisconnectCase> {};

TEST_P(MachineProtocolDisconnect, CutsTheAnswerAfterKBytes) {
    MachineConfig config;
    config.disconnect = MachineConfig::Disconnect{GetParam().command, GetParam().after};
    Line line(config);
    line.enterTestMode();
    line.send("I");
    line.send("H");
    const Bytes got = line.waitMs(3000);
    EXPECT_TRUE(line.machine.disconnected());
    const std::size_t frame = GetParam().command == 'I' ? 0 : 16;
    EXPECT_EQ(got.size(), frame + GetParam().expected);
    EXPECT_EQ(line.trace.back(), "disconnect");
    EXPECT_FALSE(line.machine.nextEventNs()) << "nothing more happens";
}

INSTANTIATE_TEST_SUITE_P(Answers, MachineProtocolDisconnect,
                         testing::Values(DisconnectCase{"InfoAfterFive", 'I', 5, 5},
                                         DisconnectCase{"HistoryAtOnce", 'H', 0, 0},
                                         DisconnectCase{"HistoryMidway", 'H', 4000, 4000},
                                         DisconnectCase{"AfterTheWholeAnswer", 'H', 9000, 8194}),
                         [](const auto& info) { return std::string(info.param.name); });
