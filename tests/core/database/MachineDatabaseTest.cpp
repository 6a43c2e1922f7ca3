#include "core/database/MachineDatabase.h"

#include "core/base/FileCalls.h"
#include "core/database/BinHistoryFile.h"
#include "support/TempDir.h"
#include "support/TestMachines.h"
#include "tools/gen/HistoryGenerator.h"

#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace testmachines;

namespace {

class MachineDatabaseTest : public ::testing::Test {
protected:
    std::string fileOf(std::uint32_t serial) const { return dir.file(machineFileName(serial)); }
    void store(const TestMachine& wanted) {
        TempDir::write(fileOf(wanted.serial), DBMowerFile::Serialize(*makeMachine(wanted)));
    }
    void checkFile(const std::string& bytes) { TempDir::write(dir.file("dbtisl.chk"), bytes); }
    MachineDatabase::LoadReport load(MachineDatabase::Access access = MachineDatabase::Access::Start) {
        return database.Load(dir.path().string(), access);
    }
    std::vector<std::string> names() const {
        std::vector<std::string> texts;
        for (const MachineEntry* entry : database.entries())
            texts.push_back(entry->machine().name());
        return texts;
    }

    TempDir dir;
    MachineDatabase database;
};

} // namespace

TEST_F(MachineDatabaseTest, LoadsWhatTheCheckFileNamesAndSaysWhyItRefusedTheRest) {
    const TestMachine good{0x0001A2F3, "Good"}, other{0x00000010, "Other"}, corrupt{0x00000020, "Corrupt"},
        truncated{0x00000040}, badSum{0x00000050, "BadSum"};
    for (const TestMachine& wanted : {good, other, corrupt, truncated, badSum})
        store(wanted);
    std::string bytes = TempDir::read(fileOf(corrupt.serial));
    bytes[10] = static_cast<char>(bytes[10] ^ 0x40);
    TempDir::write(fileOf(corrupt.serial), bytes);
    TempDir::write(fileOf(0x30), "\x01\x02");
    // A valid CRC over a layout that ends early, appended by the writer's own code.
    std::string body = TempDir::read(fileOf(truncated.serial));
    body.resize((body.size() - 4) / 2);
    std::stringstream io(body, std::ios::in | std::ios::out | std::ios::binary);
    ASSERT_TRUE(DBMowerFile::AppendFileCrc(io));
    TempDir::write(fileOf(truncated.serial), io.str());
    ASSERT_EQ(::mkfifo(fileOf(0x60).c_str(), 0666), 0);
    TempDir::write(fileOf(0x70), "");
    ASSERT_EQ(::truncate(fileOf(0x70).c_str(), off_t{3} << 30), 0);
    const std::string listed = checkEntry(good.serial) + checkEntry(corrupt.serial) + checkEntry(0x99) +
                               checkEntry(0x30) + checkEntry(badSum.serial, 0x51) +
                               checkEntry(truncated.serial) + checkEntry(0x60) + checkEntry(0x70) +
                               checkEntry(other.serial) + checkEntry(good.serial);
    checkFile(listed);

    // Read only first: the same findings, nothing written.
    const MachineDatabase::LoadReport inspected = load(MachineDatabase::Access::ReadOnly);
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk")), listed);
    EXPECT_FALSE(std::filesystem::exists(dir.file("dbtisl.chk.old")));
    EXPECT_EQ(database.checkDir().entriesRead().size(), 10u);

    const MachineDatabase::LoadReport report = load();
    EXPECT_EQ(names(), (std::vector<std::string>{"Good", "Other", "BadSum"})) << "loaded once each";
    std::vector<std::pair<std::string, DBMowerFile::Failure>> refused;
    for (const MachineDatabase::Refused& r : report.refused)
        refused.emplace_back(r.file, r.reason);
    using F = DBMowerFile::Failure;
    EXPECT_EQ(refused, (decltype(refused){{fileOf(corrupt.serial), F::Crc},
                                          {fileOf(0x30), F::Crc},
                                          {fileOf(truncated.serial), F::Truncated},
                                          {fileOf(0x60), F::NotRegularFile},
                                          {fileOf(0x70), F::TooLarge}}));
    EXPECT_EQ(report.recovered, std::vector<std::string>{fileOf(badSum.serial)});
    EXPECT_EQ(report.log, (std::vector<std::string>{
                              "Check file: 3 entries dropped (wrong sum, repeated machine or no machine "
                              "file); the previous file is kept as " +
                                  dir.file("dbtisl.chk.old"),
                              fileOf(corrupt.serial) + " corrupted (CRC)", fileOf(0x30) + " corrupted (CRC)",
                              "error on opening file: " + fileOf(truncated.serial),
                              "error on opening file: " + fileOf(0x60), fileOf(0x70) + " corrupted (CRC)",
                              "Machine file " + fileOf(badSum.serial) +
                                  " was missing from the check file: added back and loaded"}));
    EXPECT_EQ(inspected.refused.size(), report.refused.size());
    EXPECT_EQ(inspected.recovered, report.recovered);
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk")), database.checkDir().contentToWrite());
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk.old")), listed);

    // A damaged check file: kept for support, replaced by one naming the machines found in the folder;
    // the read-only load says what a start would write and writes nothing.
    checkFile(checkEntry(good.serial) + "\x01");
    const MachineDatabase::LoadReport readOnly = load(MachineDatabase::Access::ReadOnly);
    EXPECT_TRUE(readOnly.checkFileRefused);
    EXPECT_FALSE(std::filesystem::exists(dir.file("dbtisl.chk.old2")));
    const std::string wouldWrite = database.checkDir().contentToWrite();
    const MachineDatabase::LoadReport damaged = load();
    EXPECT_TRUE(damaged.checkFileRefused);
    EXPECT_EQ(damaged.log.back(), "no db checker file or corrupted");
    EXPECT_EQ(names(), (std::vector<std::string>{"Other", "BadSum", "Good"}));
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk.old2")), checkEntry(good.serial) + "\x01");
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk")), wouldWrite);
    EXPECT_NE(database.Create(makeMachine({0x00000077, "New"})).entry, nullptr);
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk")), wouldWrite + checkEntry(0x77));
}

TEST_F(MachineDatabaseTest, AFolderReadOnSeveralThreadsLoadsInCheckFileOrder) {
    // Enough machines for the files to be shared out among threads, damaged and missing ones all through
    // the list.
    std::string listed, kept;
    std::vector<std::string> expected, refused;
    for (std::uint32_t serial = 0x500; serial > 0x100; serial -= 3) {
        listed += checkEntry(serial);
        if (serial % 11 == 0)
            continue; // no machine file
        kept += checkEntry(serial);
        store({serial, "M" + std::to_string(serial)});
        if (serial % 7 == 0) {
            std::string bytes = TempDir::read(fileOf(serial));
            bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 1);
            TempDir::write(fileOf(serial), bytes);
            refused.push_back(fileOf(serial));
        } else {
            expected.push_back("M" + std::to_string(serial));
        }
    }
    checkFile(listed);
    std::vector<std::string> accepted; // as they came, while the rest was still being read
    const MachineDatabase::LoadReport report =
        database.Load(dir.path().string(), MachineDatabase::Access::Start,
                      [&](MachineEntry& entry) { accepted.push_back(entry.machine().name()); });
    EXPECT_EQ(names(), expected);
    EXPECT_EQ(accepted, expected);
    std::vector<std::string> refusedFiles;
    for (const MachineDatabase::Refused& r : report.refused)
        refusedFiles.push_back(r.file);
    EXPECT_EQ(refusedFiles, refused);
    ASSERT_EQ(report.log.size(), refused.size() + 1);
    EXPECT_EQ(report.log.front().rfind("Check file: 31 entries dropped", 0), 0u) << report.log.front();
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk")), kept) << "a refused file keeps its entry";

    // Nothing to drop: the check file is left as it is, not written again.
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat(dir.file("dbtisl.chk").c_str(), &before), 0);
    EXPECT_EQ(load().log.size(), refused.size());
    ASSERT_EQ(::stat(dir.file("dbtisl.chk").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(MachineDatabaseTest, DamageToTheCheckFileHidesNoMachineForGood) {
    const TestMachine a{0x0001A2F3, "A"}, b{0x00000010, "B"}, c{0x00000020, "C"};
    for (const TestMachine& wanted : {a, b, c})
        store(wanted);
    // One flipped bit in the sum of the first entry, aligned garbage after it.
    std::string damaged = checkEntry(a.serial);
    damaged[4] = static_cast<char>(damaged[4] ^ 0x08);
    checkFile(damaged + std::string("\xDE\xAD\xBE\xEF\x00\x01", 6) + checkEntry(b.serial));
    // Not to be entered: a file holding another machine, a damaged one, one named in lower case.
    TempDir::write(fileOf(0x30), TempDir::read(fileOf(c.serial)));
    TempDir::write(fileOf(0x40), "damaged");
    TempDir::write(dir.file("0000abcd.dat"), TempDir::read(fileOf(a.serial)));

    const MachineDatabase::LoadReport report = load();
    EXPECT_EQ(names(), (std::vector<std::string>{"B", "C", "A"}));
    const std::string added = " was missing from the check file: added back and loaded";
    EXPECT_EQ(report.log,
              (std::vector<std::string>{
                  "Check file: 2 entries dropped (wrong sum, repeated machine or no machine file); "
                  "the previous file is kept as " +
                      dir.file("dbtisl.chk.old"),
                  "Machine file " + fileOf(c.serial) + added,
                  "Machine file " + fileOf(0x30) +
                      " holds machine 00000020, not in the check file: "
                      "not loaded",
                  fileOf(0x40) + " corrupted (CRC), not in the check file: not loaded",
                  "Machine file " + fileOf(a.serial) + added,
                  "File " + dir.file("0000abcd.dat") +
                      " not loaded: machine files are named by their serial number in upper case"}))
        << "one line per file, in the order of their names";
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk")),
              checkEntry(b.serial) + checkEntry(c.serial) + checkEntry(a.serial));

    // The next start finds everything in the check file: no line at all.
    std::remove(fileOf(0x30).c_str());
    std::remove(fileOf(0x40).c_str());
    std::remove(dir.file("0000abcd.dat").c_str());
    const MachineDatabase::LoadReport next = load();
    EXPECT_EQ(database.entries().size(), 3u);
    EXPECT_TRUE(next.log.empty()) << next.log.front();
}

TEST_F(MachineDatabaseTest, FindsInListOrderAndANewMachineNeverTakesTheFileOfAnother) {
    // Machine 0x100 got a new board: its records now carry 0x200, its file keeps the old name.
    store({0x00000100, "Old board", "", 4, 7});
    store({0x00000300, "Third", "", 5, 7});
    checkFile(checkEntry(0x100) + checkEntry(0x300));
    load();
    MachineEntry* old = database.entries()[0];
    auto newBoard = makeRecord(0x00000200, timeOf(5));
    ASSERT_EQ(database.File(*old, newBoard).filing, Filing::Saved);
    EXPECT_EQ(old->serialNumber(), 0x200u);
    auto again = makeRecord(0x00000200, timeOf(5));
    EXPECT_EQ(database.File(*old, again).filing, Filing::Duplicate);
    EXPECT_NE(again, nullptr) << "a duplicate is not taken";

    const MachineDatabase::CreateReport refused = database.Create(makeMachine({0x00000100, "Other"}));
    EXPECT_EQ(refused.entry, nullptr);
    EXPECT_EQ(readBack(fileOf(0x100))->name(), "Old board");
    EXPECT_EQ(refused.log,
              std::vector<std::string>{"Machine file " + fileOf(0x100) +
                                       " belongs to machine QA-21-0007; no new machine written over it"});

    // A file that no machine loaded is kept beside the new machine's; the finds follow the list order.
    TempDir::write(fileOf(0x200), "damaged");
    const MachineDatabase::CreateReport created = database.Create(makeMachine({0x00000200, "New", "", 4, 7}));
    ASSERT_NE(created.entry, nullptr);
    EXPECT_EQ(created.log.front(), "Previous file " + fileOf(0x200) + " kept as " + fileOf(0x200) + ".old");
    EXPECT_EQ(database.FindBySerial(0x200), created.entry) << "the last";
    EXPECT_EQ(database.FirstBySerial(0x200), old) << "the first";
    EXPECT_EQ(database.FindByIdentity(5, 21, 1, 7), database.entries()[1]);
    EXPECT_EQ(database.FirstByMachineNumber("QA-21-0007"), old);
    database.Reorder({created.entry, database.entries()[1], old});
    EXPECT_EQ(database.FirstBySerial(0x200), created.entry);
    EXPECT_EQ(database.FindByIdentity(4, 21, 1, 7), old);
}

TEST_F(MachineDatabaseTest, ARecordWhoseFileCannotBeWrittenIsKeptAsAHistoryFile) {
    store({0x00000100, "Owner"});
    checkFile(checkEntry(0x100));
    load();
    MachineEntry& entry = *database.entries()[0];
    std::vector<std::string> log;
    ASSERT_TRUE(database.Open(entry, log)) << log.front();
    ::chmod(fileOf(0x100).c_str(), 0444);
    if (::access(fileOf(0x100).c_str(), W_OK) == 0)
        entry.file().SetFileName(dir.file("missing/00000100.dat")); // root writes anything
    database.setUnsavedFolder(dir.file("unsaved"));
    auto record = makeRecord(0x100, timeOf(6));
    const MachineDatabase::FilingReport filed = database.File(entry, record);
    EXPECT_EQ(filed.filing, Filing::NotSaved);
    EXPECT_TRUE(filed.save.kept);
    EXPECT_EQ(filed.save.keptInFolder, dir.file("unsaved/00000100"));
    const std::string kept = dir.file("unsaved/00000100/" + BinHistoryFile::FileNameFor(timeOf(6)));
    ASSERT_EQ(filed.save.log.size(), 2u);
    EXPECT_TRUE(filed.save.log[0].starts_with("Couldn't save machine file: ")) << filed.save.log[0];
    EXPECT_EQ(filed.save.log[1], "History of machine 00000100 of " + timeOf(6).isoText() + " kept as " +
                                     kept + ": its machine file could not be written");
    BinHistoryFile reader;
    BinHistoryFile::Contents contents;
    ASSERT_TRUE(reader.Load(kept, contents)) << reader.lastError();
    EXPECT_EQ(contents.time, timeOf(6));

    // Nowhere to keep it either: never reported as kept.
    TempDir::write(dir.file("blocked"), "a file where the folder would be");
    database.setUnsavedFolder(dir.file("blocked"));
    auto lost = makeRecord(0x100, timeOf(7));
    EXPECT_FALSE(database.File(entry, lost).save.kept);
}

TEST_F(MachineDatabaseTest, AFailedAppendToTheCheckFileIsLoggedAndMendedAtTheNextStart) {
    store({0x00000010, "First"});
    checkFile(checkEntry(0x10));
    load();
    // The disk is full just when the 6 bytes of the entry go out; the machine file was written before.
    FileCalls::current().write = [](int fd, const void* data, size_t size) -> ssize_t {
        if (size != 6)
            return ::write(fd, data, size);
        errno = ENOSPC;
        return -1;
    };
    const MachineDatabase::CreateReport created = database.Create(makeMachine({0x00000077, "New"}));
    FileCalls::current() = FileCalls::system();
    ASSERT_NE(created.entry, nullptr);
    EXPECT_TRUE(created.log.back().starts_with("Couldn't add machine 00000077 to the check file: "))
        << created.log.back();
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk")), checkEntry(0x10)) << "taken back whole";

    load();
    EXPECT_EQ(database.entries().size(), 2u);
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk")), checkEntry(0x10) + checkEntry(0x77));
}

TEST_F(MachineDatabaseTest, RecordsAreReadWhenNeededAndNeverFromAnotherVersion) {
    store({0x00000100, "Owner"});
    store({0x00000200, "Other"});
    checkFile(checkEntry(0x100) + checkEntry(0x200));
    load();
    MachineEntry& first = *database.entries()[0];
    MachineEntry& second = *database.entries()[1];
    EXPECT_EQ(first.machine().Count(), 0u) << "left on disk at start";
    EXPECT_EQ(first.machine().name(), "Owner") << "what the list shows stays";
    EXPECT_EQ(first.serialNumber(), 0x100u);
    std::vector<std::string> log;
    EXPECT_FALSE(first.file().SaveMachineFile()) << "a machine without its records is never written";
    ASSERT_TRUE(database.Open(first, log));
    EXPECT_EQ(first.machine().Count(), 2u);

    // Another program rewrote the second file since the start: nothing of it is mixed in or written over.
    const std::string theirs = DBMowerFile::Serialize(*makeMachine({0x00000200, "Theirs"}));
    TempDir::write(fileOf(0x200), theirs);
    database.setUnsavedFolder(dir.file("unsaved"));
    auto record = makeRecord(0x200, timeOf(6));
    const MachineDatabase::FilingReport filed = database.File(second, record);
    EXPECT_FALSE(filed.opened);
    EXPECT_EQ(filed.filing, Filing::NotSaved);
    EXPECT_TRUE(filed.save.kept);
    EXPECT_EQ(filed.save.log.front(),
              "Machine file not opened: " + fileOf(0x200) + ": changed on disk since it was loaded");
    EXPECT_EQ(TempDir::read(fileOf(0x200)), theirs);
    EXPECT_EQ(second.machine().name(), "Other");
    EXPECT_TRUE(
        std::filesystem::exists(dir.file("unsaved/00000200/" + BinHistoryFile::FileNameFor(timeOf(6)))));
    FXUMowerLog imported = std::move(*makeMachine({0x00000200, "Other"}));
    EXPECT_FALSE(database.Merge(second, imported).opened);
}

TEST(MachineSummary, CarriesWhatAWholeReadCopiesFromTheNewestRecordAndRefusesTheSameFiles) {
    TempDir dir;
    const std::string path = dir.file("machine.dat");
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        FXUMowerLog made = std::move(*HistoryGenerator(seed).machine(6));
        // The newest record of a replaced board, filed in the middle of the file's order of writing.
        auto newer = makeRecord(0x0BADB0A4 + seed, FXULogTime(2030, 1, 1, 0, 0, 0));
        made.Insert(newer->logTime(), newer);
        std::string bytes = DBMowerFile::Serialize(made);
        if (seed % 4 == 0) // damaged past the newest record's header: both reads must refuse it
            bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x01);
        TempDir::write(path, bytes);
        DBMowerFile whole, summary;
        whole.SetFileName(path);
        summary.SetFileName(path);
        const bool wholeRead = whole.LoadMachineFile();
        ASSERT_EQ(summary.LoadSummary(), wholeRead) << seed;
        if (!wholeRead)
            continue;
        const FXUMowerLog& a = whole.mowerLog();
        const FXUMowerLog& b = summary.mowerLog();
        EXPECT_EQ(b.serialNumber(), a.serialNumber()) << seed;
        EXPECT_EQ(b.firmwareVersion(), a.firmwareVersion()) << seed;
        EXPECT_EQ(b.typeByte(), a.typeByte()) << seed;
        EXPECT_EQ(b.bootloaderVersion(), a.bootloaderVersion()) << seed;
        EXPECT_EQ(b.MachineNumberText(), a.MachineNumberText()) << seed;
        EXPECT_EQ(b.Count(), 0u);
        ASSERT_TRUE(summary.LoadRecords()) << summary.lastError();
        EXPECT_EQ(summary.mowerLog().Count(), a.Count());
    }
}
