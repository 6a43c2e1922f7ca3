#include "apps/link/LinkTool.h"

#include "core/database/BinHistoryFile.h"
#include "support/ScriptedMachine.h"
#include "support/ScriptedPort.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

using Strings = std::vector<std::string>;

struct ArgumentRow {
    const char* name;
    Strings args;
    bool valid;
    std::string error; // when not valid
};

class LinkToolArguments : public testing::TestWithParam<ArgumentRow> {};

const ArgumentRow kArguments[] = {
    {"Identify", {"identify", "--port", "ttyUSB0"}, true, ""},
    {"DevicePath", {"identify", "--port", "/dev/pts/5"}, true, ""},
    {"Download", {"download", "--out", "h.bin", "--port", "ttyS0"}, true, ""},
    {"Upgrade", {"upgrade", "--port", "ttyS0", "--yes", "fw.QVL"}, true, ""},
    {"UpgradeHistoryOut",
     {"upgrade", "fw.QVL", "--history-out", "h.bin", "--yes", "--port", "ttyS0"},
     true,
     ""},
    {"Help", {"--help"}, true, ""},
    {"Nothing", {}, false, "no command"},
    {"UnknownCommand", {"flash", "--port", "x"}, false, "unknown command flash"},
    {"NoPort", {"identify"}, false, "--port is missing"},
    {"PortWithoutValue", {"identify", "--port"}, false, "--port needs a value"},
    {"PortTwice", {"identify", "--port", "a", "--port", "b"}, false, "--port given twice"},
    {"DownloadWithoutOut", {"download", "--port", "a"}, false, "download needs --out FILE"},
    {"UpgradeWithoutYes", {"upgrade", "--port", "a", "fw.QVL"}, false, "upgrade needs --yes to confirm"},
    {"UpgradeWithoutFile", {"upgrade", "--port", "a", "--yes"}, false, "upgrade needs the upgrade FILE"},
    {"TwoFiles", {"upgrade", "--port", "a", "--yes", "a.QVL", "b.QVL"}, false, "one FILE only"},
    {"UnknownOption", {"identify", "--port", "a", "--fast"}, false, "unknown option --fast"},
    {"FileForIdentify",
     {"identify", "--port", "a", "fw.QVL"},
     false,
     "--yes, --history-out and a FILE are for upgrade"},
    {"OutForUpgrade",
     {"upgrade", "--port", "a", "--yes", "--out", "x", "fw.QVL"},
     false,
     "--out is for download"},
};

} // namespace

TEST_P(LinkToolArguments, MakeACommandOrSayWhatIsWrong) {
    std::string error;
    const auto arguments = LinkTool::parse(GetParam().args, error);
    EXPECT_EQ(arguments.has_value(), GetParam().valid);
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(Rows, LinkToolArguments, testing::ValuesIn(kArguments),
                         [](const testing::TestParamInfo<ArgumentRow>& info) {
                             return std::string(info.param.name);
                         });

namespace {

class LinkToolTest : public testing::Test {
protected:
    void SetUp() override {
        FXUStringTable::getInstance()->SetLanguage(0);
        ScriptedMachine::answerAsMachine(port, frame, ScriptedMachine::historyAnswer(image, &block));
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        releaseSharedState();
    }
    int run(const Strings& args) {
        std::string error;
        const auto arguments = LinkTool::parse(args, error);
        EXPECT_TRUE(arguments) << error;
        out.str("");
        return arguments ? LinkTool(port, clock, out).run(*arguments) : -1;
    }

    TempDir dir;
    std::filesystem::path previous;
    VirtualClock clock;
    ScriptedPort port{clock};
    std::ostringstream out;
    const InfoFrame frame = ScriptedMachine::frame(0x13031400, 0x0412ABCD, 0x22, 0x07);
    const FXULog::Image image = ScriptedMachine::image();
    const std::vector<std::uint8_t> block = std::vector<std::uint8_t>(70, 0x5A);
};

} // namespace

TEST_F(LinkToolTest, IdentifyPrintsTheInfoFrame) {
    ASSERT_EQ(run({"identify", "--port", "ttyUSB0"}), 0);
    EXPECT_EQ(nlohmann::json::parse(out.str()), nlohmann::json::parse(R"({
        "identBytes": [1, 2, 3, 4, 5, 6], "extBytes": null, "typeByte": "07", "firmwareVersion": "13031400",
        "serialNumber": "0412ABCD", "bootloaderVersion": "22"})"));
    EXPECT_FALSE(port.Connected());

    port.silence('I');
    EXPECT_EQ(run({"identify", "--port", "ttyUSB0"}), 1);
    EXPECT_TRUE(out.str().empty());
    EXPECT_EQ(eventLogTexts().back(), "info frame timeout, size of received frame :0 infoWaitTime = 0");

    port.openErrors["ttyUSB0"] = EACCES;
    EXPECT_EQ(run({"identify", "--port", "ttyUSB0"}), 1);
    EXPECT_EQ(eventLogTexts().back(), "Couldn't open port ttyUSB0 : open /dev/ttyUSB0: Permission denied");
}

TEST_F(LinkToolTest, DownloadWritesWhatTheHistoryImportReads) {
    const std::string file = dir.file("history.bin");
    ASSERT_EQ(run({"download", "--port", "ttyUSB0", "--out", file}), 0);
    EXPECT_EQ(port.commands().back(), 'D');
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(eventLogTexts().back(), "History file written: " + file);

    BinHistoryFile reader;
    BinHistoryFile::Contents contents;
    ASSERT_TRUE(reader.Load(file, contents)) << reader.lastError();
    EXPECT_EQ(contents.frame.infoBlock, frame.infoBlock);
    EXPECT_EQ(contents.image, image);
    EXPECT_TRUE(contents.hasExtraBlock);
    EXPECT_EQ(contents.extraBlock, block);
    EXPECT_EQ(std::filesystem::file_size(file), 16u + 8192 + 1 + 70);

    port.replyAlways('D', {});
    EXPECT_EQ(run({"download", "--port", "ttyUSB0", "--out", dir.file("none.bin")}), 1);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.bin")));
    EXPECT_EQ(eventLogTexts().back(), "Couldn't load history : NbBytes loaded: 0//Retry count :3");
}

TEST_F(LinkToolTest, UpgradeKeepsTheHistoryFirstAndReportsRefusalsAndFailures) {
    TempDir::write(dir.file("fw.QVL"), "V2.01[TAG]\r\n[MAIN]\r\n0a1B\r\n");
    ASSERT_EQ(run({"upgrade", "--port", "ttyUSB0", "--yes", dir.file("fw.QVL")}), 0);
    EXPECT_EQ(port.written.back(), 'b');
    Strings names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    const auto history = std::find_if(names.begin(), names.end(), [](const std::string& name) {
        return name.size() == 34 && name.substr(19) == "_serialdata.txt";
    });
    ASSERT_NE(history, names.end()) << "a history file named by its time";
    BinHistoryFile reader;
    BinHistoryFile::Contents contents;
    ASSERT_TRUE(reader.Load(dir.file(*history), contents));
    const FXULogTime& t = contents.time;
    EXPECT_EQ(BinHistoryFile::FileNameFor(t), *history) << "the import takes the time back from the name";

    ASSERT_EQ(run({"upgrade", "--port", "ttyUSB0", "--yes", "--history-out", dir.file("h.bin"),
                   dir.file("fw.QVL")}),
              0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("h.bin")));

    TempDir::write(dir.file("bad.QVL"), "V2.01[TAG]\r\n[MAIN]\r\n0a1\r\n");
    EXPECT_EQ(run({"upgrade", "--port", "ttyUSB0", "--yes", dir.file("bad.QVL")}), 2);
    EXPECT_EQ(eventLogTexts().back(), "Odd number of hex digits at line 3 ");

    port.rowReplies = {ScriptedPort::at(5, {0x15})};
    EXPECT_EQ(run({"upgrade", "--port", "ttyUSB0", "--yes", dir.file("fw.QVL")}), 1);
    EXPECT_EQ(eventLogTexts().back(), "Received NACK result for line 3 ");

    // A history that cannot be kept stops the upgrade before anything is programmed.
    port.writes.clear();
    EXPECT_EQ(run({"upgrade", "--port", "ttyUSB0", "--yes", "--history-out", dir.file("no/such/dir.bin"),
                   dir.file("fw.QVL")}),
              1);
    EXPECT_EQ(eventLogTexts().back().rfind("Couldn't write history file " + dir.file("no/such/dir.bin"), 0),
              0u);
    EXPECT_EQ(port.commands().find('t'), std::string::npos);
}
