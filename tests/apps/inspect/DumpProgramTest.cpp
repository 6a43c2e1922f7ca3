// Runs the orvane-inspect program itself: what it prints, and how it refuses.

#include "core/database/DBMowerFile.h"
#include "support/ProgramRun.h"
#include "support/TempDir.h"
#include "tools/gen/HistoryGenerator.h"

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

ProgramRun inspect(const std::string& kind, const std::string& file, const TempDir& dir) {
    return runProgram(OSK_INSPECT_PROGRAM, kind + " '" + file + "'", dir);
}

} // namespace

TEST(DumpProgram, DumpsGeneratedFilesAndRefusesBrokenOnes) {
    TempDir dir;
    HistoryGenerator generator(11);
    auto machine = generator.machine(4);
    const std::string datFile = dir.file("machine.dat");
    const std::string bytes = DBMowerFile::Serialize(*machine);
    TempDir::write(datFile, bytes);

    ProgramRun run = inspect("dat", datFile, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["records"].size(), machine->Count());
    char serial[16];
    std::snprintf(serial, sizeof serial, "%08X", machine->serialNumber());
    EXPECT_EQ(json["serialNumber"], serial);
    EXPECT_EQ(json["machineNumberText"], machine->MachineNumberText());

    const std::string binFile = dir.file("2024-03-07_14-05-09_serialdata.txt");
    const auto history = generator.history(HistoryFeatures{3, 4, 9, true, true, true});
    const auto binBytes = history.binFile();
    TempDir::write(binFile, std::string(binBytes.begin(), binBytes.end()));
    run = inspect("bin", binFile, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto record = nlohmann::json::parse(run.out);
    EXPECT_EQ(record["time"], "2024-03-07T14:05:09");
    EXPECT_EQ(record["layout"], 3);
    EXPECT_FALSE(record["extBytes"].is_null());
    EXPECT_FALSE(record["extraBlock"].is_null());

    // Refusals: one line on standard error, exit code 2, nothing on standard output.
    std::string flipped = bytes;
    flipped[40] = static_cast<char>(flipped[40] ^ 0x01);
    TempDir::write(datFile, flipped);
    run = inspect("dat", datFile, dir);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find("CRC"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);

    TempDir::write(binFile, std::string(binBytes.begin(), binBytes.begin() + 4000));
    run = inspect("bin", binFile, dir);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(binFile), std::string::npos) << "the refusal names the file: " << run.err;

    run = inspect("dat", dir.file("missing.dat"), dir);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("missing.dat"), std::string::npos) << run.err;

    run = inspect("xml", datFile, dir);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("usage"), std::string::npos);
}

TEST(DumpProgram, ShowsWhatAnUpgradeWouldSendAndRefusesWhatItWouldRefuse) {
    TempDir dir;
    const std::string file = dir.file("firmware.QVL");
    TempDir::write(file, "V2.\xe9"
                         "1[TAG]\r\n[MAIN]\r\n0a1B\r\n0G\r\n[EXT]\r\n\r\nFF\r\n[FIR]\r\n");
    ProgramRun run = inspect("upgrade", file, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto expected = nlohmann::json::parse(R"({
        "version": "V2.\u00e91",
        "rows": ["V2.\u00e91[TAG]", "[MAIN]", "0a1B", "0G", "[EXT]", "", "FF", "[FIR]"],
        "sectionLog": ["start main section", "start ext section", "start fir section"],
        "sends": [{"line": 3, "cmd": "50", "data": "0a1b"},
                  {"line": 4, "cmd": "50", "data": "ff"},
                  {"line": 6, "cmd": "52", "data": ""},
                  {"line": 7, "cmd": "52", "data": "ff"}]})");
    EXPECT_EQ(nlohmann::json::parse(run.out), expected);
    EXPECT_TRUE(run.err.empty());

    const struct {
        std::string content;
        std::string line;
    } refusals[] = {
        {"V2.01[TAG] \r\n[MAIN]\r\n", "NO [TAG]"},
        {"V2.01[TAG]\r\n", "No MCU tag on first row"},
        {"V2.01[TAG]\r\n[MAIN]\r\n0a1\r\n", "Odd number of hex digits at line 3 "},
        {std::string("V2.01[TAG]\r\n[MAIN]\r\n00\r\n\0\0"
                     "11\r\n",
                     30),
         "Update file damaged: data after a zero byte at offset 24"},
    };
    for (const auto& refusal : refusals) {
        TempDir::write(file, refusal.content);
        run = inspect("upgrade", file, dir);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.out.empty());
        EXPECT_EQ(run.err, "orvane-inspect: " + refusal.line + "\n");
    }

    // A named pipe with no writer would hang a plain open; it is refused at once.
    const std::string fifo = dir.file("pipe.QVL");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    run = inspect("upgrade", fifo, dir);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "orvane-inspect: Update file cannot be read: " + fifo + ": not a regular file\n");
}

TEST(DumpProgram, RefusesFifosDevicesAndHugeFilesAtOnce) {
    TempDir dir;
    const std::string fifo = dir.file("0001A2F3.dat");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    const std::string zero = dir.file("zero.dat");
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    for (const char* kind : {"dat", "bin"})
        for (const std::string& file : {fifo, zero}) {
            const ProgramRun run = inspect(kind, file, dir);
            EXPECT_EQ(run.exitCode, 2) << kind << " " << file << ": " << run.err;
            EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
        }
    EXPECT_NE(inspect("dat", fifo, dir).err.find("not a regular file"), std::string::npos);

    // Three gigabytes of nothing: corrupt by its size alone, refused without being read.
    const std::string huge = dir.file("00000001.dat");
    const int fd = ::open(huge.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{3} << 30), 0);
    ::close(fd);
    const ProgramRun run = inspect("dat", huge, dir);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find("CRC"), std::string::npos) << run.err;
}

TEST(DumpProgram, DbTellsWhatAStartWouldLoadAndWritesNothing) {
    TempDir dir;
    const std::string db = dir.file("db");
    std::filesystem::create_directory(db);
    HistoryGenerator generator(5);
    const auto good = generator.machine(2);
    const auto lost = generator.machine(1);
    const auto unlisted = generator.machine(1);
    auto nameOf = [&](const FXUMowerLog& machine) {
        char name[16];
        std::snprintf(name, sizeof name, "%08X", machine.serialNumber());
        return std::string(name);
    };
    TempDir::write(db + "/" + nameOf(*good) + ".dat", DBMowerFile::Serialize(*good));
    TempDir::write(db + "/" + nameOf(*lost) + ".dat", "damaged");
    TempDir::write(db + "/" + nameOf(*unlisted) + ".dat", DBMowerFile::Serialize(*unlisted));
    auto entry = [&](const FXUMowerLog& machine) {
        const std::uint32_t s = machine.serialNumber();
        const int sum = int(s & 0xFF) + int(s >> 8 & 0xFF) + int(s >> 16 & 0xFF) + int(s >> 24);
        return std::string{char(s), char(s >> 8), char(s >> 16), char(s >> 24), char(sum), char(sum >> 8)};
    };
    const std::string check = entry(*good) + entry(*lost) + std::string("\x09\0\0\0\x09\0", 6);
    TempDir::write(db + "/dbtisl.chk", check);

    const ProgramRun run = inspect("db", db, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["checkFile"]["entries"], (nlohmann::json{nameOf(*good), nameOf(*lost), "00000009"}));
    ASSERT_EQ(json["machines"].size(), 2u);
    EXPECT_EQ(json["machines"][1]["file"], db + "/" + nameOf(*unlisted) + ".dat");
    EXPECT_EQ(json["recovered"], nlohmann::json{db + "/" + nameOf(*unlisted) + ".dat"});
    ASSERT_EQ(json["refused"].size(), 2u);
    EXPECT_EQ(json["refused"][0]["reason"], "missing");
    EXPECT_EQ(json["refused"][1]["reason"], "crc");
    // A start drops the entry without a file, keeps the damaged file's (it is still there) and enters the
    // machine it recovered.
    std::string expected;
    for (const char c : entry(*good) + entry(*lost) + entry(*unlisted)) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
        expected += pair;
    }
    EXPECT_EQ(json["checkFileAfter"], expected);
    EXPECT_EQ(TempDir::read(db + "/dbtisl.chk"), check) << "read only";
    EXPECT_FALSE(std::filesystem::exists(db + "/dbtisl.chk.old"));

    EXPECT_EQ(inspect("db", dir.file("none"), dir).exitCode, 2);
}
