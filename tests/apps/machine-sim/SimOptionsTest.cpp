#include "apps/machine-sim/SimOptions.h"

#include <gtest/gtest.h>

namespace {

std::optional<SimOptions> parse(const std::vector<std::string>& args, std::string* error = nullptr) {
    std::string ignored;
    return SimOptions::Parse(args, error ? *error : ignored);
}

} // namespace

TEST(SimOptionsTest, WithoutArgumentsAHealthyPacedMachine) {
    const auto o = parse({});
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->machine.paced);
    EXPECT_EQ(o->machine.rowDelayMs, 10);
    EXPECT_EQ(o->machine.rowGapMs, 2);
    EXPECT_EQ(o->machine.syncAnswer, std::vector<std::uint8_t>{0x06});
    EXPECT_EQ(o->seed, 1u);
    EXPECT_FALSE(o->exitAfterUpgrade);
    EXPECT_FALSE(o->machine.noEcho || o->machine.wrongEcho || o->machine.infoShort ||
                 o->machine.historyTruncate || o->machine.historyPause || o->machine.rowFault ||
                 o->machine.disconnect);
    EXPECT_EQ(o->machine.noiseAfterTMs, 0);
    EXPECT_EQ(o->machine.historyFaultCount, -1);
}

TEST(SimOptionsTest, EveryOptionSetsItsField) {
    const auto o = parse({"--link",
                          "/tmp/machine",
                          "--trace=/tmp/t.txt",
                          "--save-bin",
                          "/tmp/m.bin",
                          "--qvl",
                          "up.QVL",
                          "--exit-after-upgrade",
                          "--no-pace",
                          "--row-delay-ms",
                          "25",
                          "--row-gap-ms",
                          "4",
                          "--seed",
                          "4000000000",
                          "--type-byte",
                          "0x24",
                          "--firmware",
                          "19.1.1.2",
                          "--serial",
                          "0412abcd",
                          "--bootloader",
                          "22",
                          "--ident",
                          "010904050607",
                          "--ext",
                          "aabb",
                          "--noise-after-t",
                          "1000",
                          "--wrong-echo",
                          "55",
                          "--info-short",
                          "10",
                          "--info-invalid",
                          "serial",
                          "--history-truncate",
                          "8193",
                          "--history-pause",
                          "4096:300",
                          "--history-faults",
                          "2",
                          "--sync-answer",
                          "41,06",
                          "--row-fault",
                          "3:07",
                          "--disconnect-at",
                          "H:4000"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->linkPath, "/tmp/machine");
    EXPECT_EQ(o->tracePath, "/tmp/t.txt");
    EXPECT_EQ(o->saveBinPath, "/tmp/m.bin");
    EXPECT_EQ(o->qvlPath, "up.QVL");
    EXPECT_TRUE(o->exitAfterUpgrade);
    const MachineConfig& m = o->machine;
    EXPECT_FALSE(m.paced);
    EXPECT_EQ(m.rowDelayMs, 25);
    EXPECT_EQ(m.rowGapMs, 4);
    EXPECT_EQ(o->seed, 4000000000u);
    EXPECT_EQ(o->overrides.typeByte, 0x24);
    EXPECT_EQ(o->overrides.firmwareVersion, 0x13010102u);
    EXPECT_EQ(o->overrides.serialNumber, 0x0412ABCDu);
    EXPECT_EQ(o->overrides.bootloaderVersion, 0x22);
    EXPECT_EQ(o->overrides.identBytes, (std::array<std::uint8_t, 6>{1, 9, 4, 5, 6, 7}));
    EXPECT_EQ(o->overrides.extBytes, (std::array<std::uint8_t, 2>{0xAA, 0xBB}));
    EXPECT_EQ(m.noiseAfterTMs, 1000);
    EXPECT_EQ(m.wrongEcho, 0x55);
    EXPECT_EQ(m.infoShort, 10u);
    EXPECT_EQ(m.infoInvalid, MachineConfig::InfoInvalid::Serial);
    EXPECT_EQ(m.historyTruncate, 8193u);
    ASSERT_TRUE(m.historyPause);
    EXPECT_EQ(m.historyPause->afterBytes, 4096u);
    EXPECT_EQ(m.historyPause->ms, 300);
    EXPECT_EQ(m.historyFaultCount, 2);
    EXPECT_EQ(m.syncAnswer, (std::vector<std::uint8_t>{0x41, 0x06}));
    ASSERT_TRUE(m.rowFault);
    EXPECT_EQ(m.rowFault->row, 3);
    EXPECT_EQ(m.rowFault->kind, MachineConfig::RowFault::Kind::Byte);
    EXPECT_EQ(m.rowFault->byte, 0x07);
    ASSERT_TRUE(m.disconnect);
    EXPECT_EQ(m.disconnect->command, 'H');
    EXPECT_EQ(m.disconnect->afterBytes, 4000u);
}

TEST(SimOptionsTest, TheOtherFaultForms) {
    auto o = parse({"--no-echo", "--info-invalid", "bootloader", "--sync-answer", "none", "--row-fault",
                    "2:nak", "--firmware", "13020101"});
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->machine.noEcho);
    EXPECT_EQ(o->machine.infoInvalid, MachineConfig::InfoInvalid::Bootloader);
    EXPECT_TRUE(o->machine.syncAnswer.empty());
    EXPECT_EQ(o->machine.rowFault->kind, MachineConfig::RowFault::Kind::Nak);
    EXPECT_EQ(o->overrides.firmwareVersion, 0x13020101u);
    o = parse({"--row-fault", "5:silence"});
    ASSERT_TRUE(o);
    EXPECT_EQ(o->machine.rowFault->kind, MachineConfig::RowFault::Kind::Silence);
    EXPECT_EQ(o->machine.rowFault->row, 5);
}

struct BadCase {
    const char* name;
    std::vector<std::string> args;
    const char* mentions;
};

class SimOptionsBad : public testing::TestWithParam<BadCase> {};

TEST_P(SimOptionsBad, AreRefusedWithTheOptionNamed) {
    std::string error;
    EXPECT_FALSE(parse(GetParam().args, &error));
    EXPECT_NE(error.find(GetParam().mentions), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, SimOptionsBad,
    testing::Values(BadCase{"Unknown", {"--frobnicate"}, "--frobnicate"},
                    BadCase{"MissingValue", {"--seed"}, "--seed"},
                    BadCase{"NegativeNumber", {"--row-delay-ms", "-1"}, "--row-delay-ms"},
                    BadCase{"NoRowGap", {"--row-gap-ms", "0"}, "--row-gap-ms"},
                    BadCase{"NotHex", {"--serial", "0412abcg"}, "--serial"},
                    BadCase{"SerialTooShort", {"--serial", "412abcd"}, "--serial"},
                    BadCase{"IdentTooLong", {"--ident", "01090405060708"}, "--ident"},
                    BadCase{"VersionPartTooBig", {"--firmware", "19.256.1.1"}, "--firmware"},
                    BadCase{"VersionThreeParts", {"--firmware", "19.2.1"}, "--firmware"},
                    BadCase{"InfoLongerThanAFrame", {"--info-short", "18"}, "--info-short"},
                    BadCase{"InvalidKind", {"--info-invalid", "type"}, "--info-invalid"},
                    BadCase{"PauseWithoutColon", {"--history-pause", "300"}, "--history-pause"},
                    BadCase{"SyncEmptyByte", {"--sync-answer", "06,"}, "--sync-answer"},
                    BadCase{"RowZero", {"--row-fault", "0:nak"}, "--row-fault"},
                    BadCase{"RowFaultKind", {"--row-fault", "2:ack"}, "--row-fault"},
                    BadCase{"DisconnectCommand", {"--disconnect-at", "X:5"}, "--disconnect-at"},
                    BadCase{"DisconnectCount", {"--disconnect-at", "H:"}, "--disconnect-at"},
                    BadCase{"FlagWithValue", {"--no-pace=1"}, "--no-pace"},
                    BadCase{"BothEchoFaults", {"--no-echo", "--wrong-echo", "55"}, "--wrong-echo"},
                    BadCase{"BinAndDat", {"--bin", "a.bin", "--dat", "b.dat"}, "--dat"}),
    [](const auto& info) { return std::string(info.param.name); });

// What --help says is what the parser takes.
TEST(SimOptionsTest, HelpNamesEveryOption) {
    const std::string help = SimOptions::HelpText();
    for (const char* option :
         {"--link",         "--trace",        "--exit-after-upgrade", "--save-bin",      "--no-pace",
          "--row-delay-ms", "--qvl",          "--row-gap-ms",         "--seed",          "--bin",
          "--dat",          "--type-byte",    "--firmware",           "--serial",        "--bootloader",
          "--ident",        "--ext",          "--noise-after-t",      "--no-echo",       "--wrong-echo",
          "--info-short",   "--info-invalid", "--history-truncate",   "--history-pause", "--history-faults",
          "--sync-answer",  "--row-fault",    "--disconnect-at"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
        const bool flag = std::string(option) == "--exit-after-upgrade" ||
                          std::string(option) == "--no-pace" || std::string(option) == "--no-echo";
        std::vector<std::string> args{option};
        if (!flag)
            args.push_back("x");
        std::string error;
        parse(args, &error);
        EXPECT_EQ(error.find("unknown"), std::string::npos) << option;
    }
}
