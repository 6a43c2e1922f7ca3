#include "core/database/MachineImportFile.h"

#include "core/database/Crc32.h"
#include "core/database/DBMowerFile.h"
#include "support/TempDir.h"
#include "tools/gen/HistoryGenerator.h"

#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

using testing::HasSubstr;

namespace {

std::string withCrc(std::string body) {
    const std::uint32_t crc = Crc32::Compute(body);
    for (int shift : {0, 8, 16, 24})
        body.push_back(static_cast<char>((crc >> shift) & 0xFF));
    return body;
}

// A machine file of three records, with the offsets the cases cut at.
struct Sample {
    Sample() {
        HistoryGenerator generator(77);
        machine = generator.machine(3);
        while (machine->Count() < 3)
            machine = generator.machine(3);
        file = DBMowerFile::Serialize(*machine);
        body = file.substr(0, file.size() - DBMowerFile::kCrcSize);
    }
    std::unique_ptr<FXUMowerLog> machine;
    std::string file;
    std::string body;
};

const Sample& sample() {
    static const Sample made;
    return made;
}

struct RefusedCase {
    const char* name;
    std::function<std::string()> content; // what the file holds
    MachineImportFile::Failure failure;
    const char* reason; // in the log line
};

class MachineImportFileRefused : public testing::TestWithParam<RefusedCase> {};

} // namespace

TEST(MachineImportFile, ReadsAWholeValidFile) {
    TempDir dir;
    TempDir::write(dir.file("export.dat"), sample().file);
    MachineImportFile reader;
    FXUMowerLog read;
    ASSERT_TRUE(reader.Load(dir.file("export.dat"), read)) << reader.lastError();
    EXPECT_EQ(reader.failure(), MachineImportFile::Failure::None);
    EXPECT_EQ(read.Count(), 3u);
    EXPECT_EQ(read.serialNumber(), sample().machine->serialNumber());
    EXPECT_EQ(read.name(), sample().machine->name());
    EXPECT_EQ(read.MachineNumberText(), sample().machine->MachineNumberText());
    FXUMowerLog copy;
    DBMowerFile::Parse(sample().file, copy);
    EXPECT_EQ(DBMowerFile::Serialize(read), DBMowerFile::Serialize(copy));
}

TEST_P(MachineImportFileRefused, ChangesNothingAndNamesFileAndReason) {
    const RefusedCase& wanted = GetParam();
    TempDir dir;
    const std::string path = dir.file("import.dat");
    TempDir::write(path, wanted.content());
    FXUMowerLog result;
    result.SetName("untouched");
    MachineImportFile reader;
    EXPECT_FALSE(reader.Load(path, result));
    EXPECT_EQ(reader.failure(), wanted.failure);
    EXPECT_THAT(reader.lastError(), HasSubstr(path));
    EXPECT_THAT(reader.lastError(), HasSubstr(wanted.reason));
    EXPECT_EQ(result.name(), "untouched");
    EXPECT_EQ(result.Count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, MachineImportFileRefused,
    testing::Values(RefusedCase{"BadCrc",
                                [] {
                                    std::string file = sample().file;
                                    file[file.size() / 2] ^= 0x01;
                                    return file;
                                },
                                MachineImportFile::Failure::BadCrc, "has a bad CRC"},
                    RefusedCase{"Empty", [] { return std::string(); }, MachineImportFile::Failure::Unreadable,
                                "0 bytes cannot even hold a CRC"},
                    RefusedCase{"ThreeBytes", [] { return std::string("\x01\x02\x03", 3); },
                                MachineImportFile::Failure::Unreadable, "3 bytes cannot even hold a CRC"},
                    RefusedCase{"CrcOnly", [] { return withCrc(""); }, MachineImportFile::Failure::Unreadable,
                                "ends inside the format byte"},
                    RefusedCase{"EndsInTheOwnerName", [] { return withCrc(sample().body.substr(0, 8)); },
                                MachineImportFile::Failure::Unreadable, "ends inside the owner's name"},
                    RefusedCase{"EndsInsideARecord",
                                [] { return withCrc(sample().body.substr(0, sample().body.size() - 100)); },
                                MachineImportFile::Failure::Unreadable, "machine file: "},
                    RefusedCase{"BytesAfterTheLastRecord", [] { return withCrc(sample().body + "xyz"); },
                                MachineImportFile::Failure::Unreadable, "machine file: "},
                    RefusedCase{"NoRecord",
                                [] {
                                    // Format byte, serial, three empty texts, type, year, number, flag, count
                                    // 0.
                                    return withCrc(std::string(
                                        "\x01\x01\x02\x03\x04\0\0\0\0\0\0\x04\x15\x07\0\0\0\x01\0\0", 20));
                                },
                                MachineImportFile::Failure::Unreadable, "the record count is 0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MachineImportFile, RefusesWhatIsNoPlainFileWithoutWaitingOnIt) {
    TempDir dir;
    FXUMowerLog result;
    MachineImportFile reader;

    EXPECT_FALSE(reader.Load(dir.file("missing.dat"), result));
    EXPECT_EQ(reader.failure(), MachineImportFile::Failure::CannotOpen);
    EXPECT_EQ(reader.lastError(), "error opening import file: " + dir.file("missing.dat"));

    std::filesystem::create_directory(dir.file("folder.dat"));
    EXPECT_FALSE(reader.Load(dir.file("folder.dat"), result));
    EXPECT_EQ(reader.failure(), MachineImportFile::Failure::Unreadable);
    EXPECT_EQ(reader.lastError(), "Import file: " + dir.file("folder.dat") + " refused: not a regular file");

    // Opening a pipe nobody writes to would wait for ever.
    ASSERT_EQ(::mkfifo(dir.file("pipe.dat").c_str(), 0600), 0);
    EXPECT_FALSE(reader.Load(dir.file("pipe.dat"), result));
    EXPECT_EQ(reader.failure(), MachineImportFile::Failure::Unreadable);

    // Longer than any machine file can be: refused without a byte read (the file is sparse here).
    TempDir::write(dir.file("huge.dat"), "");
    std::filesystem::resize_file(dir.file("huge.dat"), DBMowerFile::kMaxFileSize + 1);
    EXPECT_FALSE(reader.Load(dir.file("huge.dat"), result));
    EXPECT_EQ(reader.failure(), MachineImportFile::Failure::Unreadable);
    EXPECT_THAT(reader.lastError(), HasSubstr("refused: " + std::to_string(DBMowerFile::kMaxFileSize + 1)));

    if (::geteuid() != 0) { // root reads everything
        TempDir::write(dir.file("locked.dat"), sample().file);
        std::filesystem::permissions(dir.file("locked.dat"), std::filesystem::perms::none);
        EXPECT_FALSE(reader.Load(dir.file("locked.dat"), result));
        EXPECT_EQ(reader.failure(), MachineImportFile::Failure::CannotOpen);
    }
    EXPECT_EQ(result.Count(), 0u);
}
