// The main window's imports of machine files (.dat) and history files (.bin), and the export they read,
// through the real file system in a temporary database, with the dialogs answered by the test.

#include "core/base/IniFile.h"
#include "core/database/Crc32.h"
#include "core/database/DBMowerFile.h"
#include "core/history/DownloadedHistory.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "core/link/LinkLog.h"
#include "support/ScriptedMachine.h"
#include "support/ScriptedPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "tools/gen/DemoDatabase.h"
#include "tools/gen/HistoryGenerator.h"
#include "ui/ModalRunner.h"
#include "ui/TChildForm.h"
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"
#include "ui/TFXUMainForm.h"
#include "ui/TinsertForm.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace {

using Strings = std::vector<std::string>;
using Snapshot = std::map<std::string, std::string>;

constexpr std::uint32_t kNoExtraBlock = 0x12050300; // asked with "H"

std::unique_ptr<FXULog> newRecord(std::uint32_t serial, const FXULogTime& time) {
    HistoryGenerator generator(serial ^ time.second);
    HistoryFeatures features;
    features.layout = 3;
    auto record = generator.record(features);
    record->SetSerialNumber(serial);
    record->SetLogTime(time);
    return record;
}

std::unique_ptr<FXUMowerLog> readFile(const std::string& path) {
    auto machine = std::make_unique<FXUMowerLog>();
    DBMowerFile::Parse(TempDir::read(path), *machine);
    return machine;
}

std::string binFile(std::uint32_t serial) {
    DownloadedHistory history;
    history.frame = ScriptedMachine::frame(kNoExtraBlock, serial, 0x21, 0x04);
    const FXULog::Image image = ScriptedMachine::image();
    std::copy(image.begin(), image.end(), history.buffer.begin());
    const std::vector<std::uint8_t> bytes = history.binFile();
    return std::string(bytes.begin(), bytes.end());
}

class ImportFixture : public testing::Test {
protected:
    void SetUp() override {
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
        DemoDatabase::Write(db(), 4);
        TempDir::write(iniPath(), "[GENERAL]\r\nLANGUAGE=0\r\n[FILEPATH]\r\nDBPATH=" + db() + "\r\n");
        start();
    }
    void TearDown() override {
        ModalRunner::setRunner({});
        close();
        std::filesystem::current_path(previousDirectory);
        releaseSharedState();
    }
    void start() {
        window = std::make_unique<TFXUMainForm>(dir.file("orvane-service-kit"),
                                                std::make_unique<ScriptedPort>(clock), clock, prompts);
        list = window->findChild<TDBMowerList*>(QStringLiteral("machineList"));
        prompts.shown.clear();
    }
    void close() {
        if (window && !window->closed()) {
            testing::internal::CaptureStdout();
            window->close();
            testing::internal::GetCapturedStdout();
        }
        window.reset();
    }

    std::string db() const { return dir.file("db"); }
    std::string iniPath() const { return dir.file("orvane-service-kit.INI"); }
    Snapshot snapshot() const {
        Snapshot files;
        for (const auto& item : std::filesystem::directory_iterator(db()))
            files[item.path().filename().string()] = TempDir::read(item.path().string());
        return files;
    }
    // Chooses the file in the dialog of the .dat import.
    bool importDat(const std::string& path) {
        prompts.fileAnswers.push_back(path);
        const std::size_t machines = list->entries().size();
        window->findChild<QAction*>(QStringLiteral("ImportMenuItem"))->trigger();
        return list->entries().size() != machines;
    }
    void importBin(const std::string& path) {
        prompts.fileAnswers.push_back(path);
        window->findChild<QAction*>(QStringLiteral("ImportBinMenuItem"))->trigger();
    }
    Strings shownTexts() const {
        Strings texts;
        for (const auto& shown : prompts.shown)
            texts.push_back(shown.text);
        return texts;
    }
    int openWindows() const {
        return static_cast<int>(
            window->findChild<QMdiArea*>(QStringLiteral("mdiArea"))->subWindowList().size());
    }
    // A machine as another installation would have exported it: the file of one of ours, changed.
    std::unique_ptr<FXUMowerLog> copyOf(const TDBMower& machine) const {
        return readFile(machine.fileName());
    }
    std::string put(const std::string& name, FXUMowerLog& machine) const {
        const std::string path = elsewhere.file(name);
        TempDir::write(path, DBMowerFile::Serialize(machine));
        return path;
    }

    TempDir dir;
    TempDir elsewhere; // where exports go and imports come from
    std::filesystem::path previousDirectory;
    VirtualClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<TFXUMainForm> window;
    TDBMowerList* list = nullptr;
};

using ImportTest = ImportFixture;

} // namespace

TEST_F(ImportTest, BothMenuItemsOpenTheImportDialogPresetToAllFiles) {
    ASSERT_TRUE(window->findChild<QAction*>(QStringLiteral("ImportMenuItem"))->isEnabled());
    ASSERT_TRUE(window->findChild<QAction*>(QStringLiteral("ImportBinMenuItem"))->isEnabled());
    EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("ImportMenuItem"))->text(),
              QStringLiteral("Import database (.dat)"));
    EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("ImportBinMenuItem"))->text(),
              QStringLiteral("Import history (.bin)"));
    const Snapshot before = snapshot();

    window->findChild<QAction*>(QStringLiteral("ImportMenuItem"))
        ->trigger(); // cancelled: the script has no answer
    window->findChild<QAction*>(QStringLiteral("ImportBinMenuItem"))->trigger();
    ASSERT_EQ(prompts.dialogs.size(), 2u);
    for (const Prompts::FileDialog& dialog : prompts.dialogs) {
        EXPECT_EQ(dialog.mode, Prompts::FileDialog::Mode::Open);
        EXPECT_EQ(dialog.filter, "database|*.dat|history|*.bin|All files|*.*");
        EXPECT_EQ(dialog.filterIndex, 3);
    }
    EXPECT_EQ(prompts.dialogs[0].title, "Import database (.dat)");
    EXPECT_EQ(prompts.dialogs[1].title, "Import history (.bin)");
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(openWindows(), 0);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(ImportTest, ReimportingAMachinesOwnExportAddsNothingAndSaysInsertionDone) {
    TDBMower* machine = list->entries().at(1);
    prompts.fileAnswers.push_back(elsewhere.file("export.txt"));
    ASSERT_TRUE(machine->Export());
    const std::string exported = elsewhere.file("export.dat");
    ASSERT_TRUE(std::filesystem::exists(exported)) << "the extension is forced to .dat";
    ASSERT_TRUE(machine->Open());
    const std::size_t records = machine->GetMowerLog().Count();
    const Snapshot before = snapshot();
    prompts.shown.clear();

    EXPECT_FALSE(importDat(exported));
    EXPECT_EQ(prompts.dialogs.back().folder, elsewhere.path().string()) << "where the export went";
    EXPECT_EQ(machine->GetMowerLog().Count(), records);
    ASSERT_EQ(shownTexts(), Strings{"New history insertion done"});
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Plain);
    EXPECT_EQ(snapshot(), before) << "nothing new, nothing written";
    ASSERT_NE(machine->window(), nullptr);
    EXPECT_EQ(window->findChild<QMdiArea*>(QStringLiteral("mdiArea"))->activeSubWindow()->widget(),
              machine->window());
}

TEST_F(ImportTest, ANewSerialNumberWithAKnownIdentityMergesIntoThatMachineAndItsFile) {
    TDBMower* machine = list->entries().at(2);
    const std::string itsFile = machine->fileName();
    const std::uint32_t oldSerial = machine->GetSerialNumber();
    const std::string checkFile = TempDir::read(FXUCheckDir::Join(db(), "dbtisl.chk"));
    // The machine got a new board elsewhere: its export holds its records and one of the new serial number.
    auto exported = copyOf(*machine);
    exported->SetName("Someone else");
    const FXULogTime newest(2030, 1, 2, 3, 4, 5);
    auto record = newRecord(0x0B0A0D00, newest);
    ASSERT_TRUE(exported->Insert(newest, record));
    ASSERT_EQ(exported->serialNumber(), 0x0B0A0D00u);
    ASSERT_TRUE(machine->Open());
    const std::size_t records = machine->GetMowerLog().Count();

    EXPECT_FALSE(importDat(put("new-board.dat", *exported)));
    EXPECT_TRUE(prompts.shown.empty()) << "a merge by identity says nothing";
    EXPECT_EQ(machine->GetMowerLog().Count(), records + 1);
    EXPECT_EQ(machine->GetSerialNumber(), 0x0B0A0D00u) << "the newest record's";
    EXPECT_NE(machine->GetSerialNumber(), oldSerial);
    EXPECT_EQ(machine->fileName(), itsFile) << "the file keeps its old name";
    const auto onDisk = readFile(itsFile);
    EXPECT_EQ(onDisk->Count(), records + 1) << "written at once";
    EXPECT_EQ(onDisk->name(), machine->GetMowerLog().name()) << "the owner data stays";
    EXPECT_NE(onDisk->name(), "Someone else");
    EXPECT_FALSE(std::filesystem::exists(list->PathFor(0x0B0A0D00)));
    EXPECT_EQ(TempDir::read(FXUCheckDir::Join(db(), "dbtisl.chk")), checkFile);
    ASSERT_NE(machine->window(), nullptr);
    EXPECT_EQ(machine->window()->MainLogPageControl()->count(), static_cast<int>(records + 1));
}

TEST_F(ImportTest, AMergeIntoAnOpenWindowAddsItsTabs) {
    TDBMower* machine = list->entries().at(0);
    machine->OpenWindow();
    const int tabs = machine->window()->MainLogPageControl()->count();
    auto exported = copyOf(*machine);
    for (std::uint8_t day : {3, 4}) {
        const FXULogTime time(2031, 5, day, 8, 0, 0);
        auto record = newRecord(machine->GetSerialNumber(), time);
        ASSERT_TRUE(exported->Insert(time, record));
    }
    importDat(put("two-more.dat", *exported));
    EXPECT_EQ(shownTexts(), Strings{"New history insertion done"});
    EXPECT_EQ(machine->window()->MainLogPageControl()->count(), tabs + 2);
    EXPECT_EQ(readFile(machine->fileName())->Count(), static_cast<std::size_t>(tabs + 2));
}

TEST_F(ImportTest, AnUnknownMachineBecomesANewTileFileAndCheckEntryAndOpens) {
    HistoryGenerator generator(4242);
    auto unknown = generator.machine(3, 5);
    unknown->SetMachineNumber(9876);
    unknown->SetYear(99);
    const std::uint32_t serial = unknown->serialNumber();
    ASSERT_EQ(list->FindBySerial(serial), nullptr);
    const std::string checkFile = TempDir::read(FXUCheckDir::Join(db(), "dbtisl.chk"));

    EXPECT_TRUE(importDat(put("unknown.dat", *unknown)));
    TDBMower* created = list->FindBySerial(serial);
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->fileName(), list->PathFor(serial));
    EXPECT_EQ(TempDir::read(created->fileName()), DBMowerFile::Serialize(*unknown));
    EXPECT_EQ(created->GetMowerLog().name(), unknown->name());
    const std::string grown = TempDir::read(FXUCheckDir::Join(db(), "dbtisl.chk"));
    ASSERT_EQ(grown.size(), checkFile.size() + 6);
    EXPECT_EQ(grown.substr(0, checkFile.size()), checkFile);
    EXPECT_EQ(static_cast<std::uint8_t>(grown[checkFile.size()]), serial & 0xFF);
    ASSERT_NE(created->window(), nullptr);
    EXPECT_EQ(window->findChild<QMdiArea*>(QStringLiteral("mdiArea"))->activeSubWindow()->widget(),
              created->window());
    EXPECT_TRUE(prompts.shown.empty());

    // The next start loads it like any other machine.
    close();
    start();
    ASSERT_NE(list->FindBySerial(serial), nullptr);
    ASSERT_TRUE(list->FindBySerial(serial)->Open());
    EXPECT_EQ(list->FindBySerial(serial)->GetMowerLog().Count(), unknown->Count());
}

TEST_F(ImportTest, ASerialNumberOfAMachineOfAnotherIdentityIsRefused) {
    TDBMower* first = list->entries().at(0);
    TDBMower* second = list->entries().at(1);
    const Snapshot before = snapshot();
    const std::size_t machines = list->entries().size();
    FXUStringTable::getInstance()->SetLanguage(3);

    // Its identity is nobody's; then it is the second machine's.
    auto renumbered = copyOf(*first);
    renumbered->SetMachineNumber(first->GetMowerLog().machineNumber() + 5000);
    auto mixed = copyOf(*first);
    mixed->SetTypeCode(second->GetMowerLog().typeCode());
    mixed->SetYear(second->GetMowerLog().year());
    mixed->SetMachineNumber(second->GetMowerLog().machineNumber());
    mixed->SetFactoryFlag(second->GetMowerLog().factoryFlag());
    for (auto* imported : {renumbered.get(), mixed.get()}) {
        prompts.shown.clear();
        const std::string path = put("mixed.dat", *imported);
        EXPECT_FALSE(importDat(path));
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Error);
        EXPECT_EQ(prompts.shown[0].text, FXUStringTable::getInstance()->Text(TextId::ExistingMachine));
        const std::string line = eventLogTexts().back();
        EXPECT_EQ(line.rfind("Import file: " + path + " refused: its serial number belongs to machine " +
                                 first->GetMachineNumberText(),
                             0),
                  0u)
            << line;
    }
    EXPECT_NE(eventLogTexts().back().find("another machine"), std::string::npos);
    EXPECT_EQ(list->entries().size(), machines);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(openWindows(), 0);
}

namespace {

struct RefusedFile {
    const char* name;
    // What lies at the chosen path; an empty function means nothing does.
    std::function<void(const std::string& path, const std::string& goodFile)> make;
    bool cannotOpen; // the message says the file cannot be opened, not that it is corrupt
    const char* logged;
};

class RefusedImport : public ImportFixture, public testing::WithParamInterface<RefusedFile> {};

std::string withCrc(std::string body) {
    const std::uint32_t crc = Crc32::Compute(body);
    for (int shift : {0, 8, 16, 24})
        body.push_back(static_cast<char>((crc >> shift) & 0xFF));
    return body;
}

} // namespace

// Refused with a message and a log line naming the file; no machine touched, no file of the database
// changed.
TEST_P(RefusedImport, ChangesNoFileAndNoMachine) {
    const RefusedFile& refused = GetParam();
    const std::string path = elsewhere.file(std::string(refused.name) + ".dat");
    refused.make(path, TempDir::read(list->entries().at(0)->fileName()));
    const Snapshot before = snapshot();
    std::vector<std::size_t> counts;
    for (const TDBMower* machine : list->entries())
        counts.push_back(machine->GetMowerLog().Count());

    EXPECT_FALSE(importDat(path));
    EXPECT_EQ(snapshot(), before);
    for (std::size_t i = 0; i < counts.size(); ++i)
        EXPECT_EQ(list->entries()[i]->GetMowerLog().Count(), counts[i]);
    EXPECT_EQ(openWindows(), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Error);
    EXPECT_EQ(prompts.shown[0].text, refused.cannotOpen ? ProgramTexts::Text(ProgramTexts::Id::FileNotOpened)
                                                        : std::string("Corrupted file"));
    const std::string line = eventLogTexts().back();
    EXPECT_NE(line.find(path), std::string::npos) << line;
    EXPECT_NE(line.find(refused.logged), std::string::npos) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedImport,
    testing::Values(RefusedFile{"BadCrc",
                                [](const std::string& path, const std::string& good) {
                                    std::string bad = good;
                                    bad[40] ^= 0x20;
                                    TempDir::write(path, bad);
                                },
                                false, "has a bad CRC"},
                    RefusedFile{"Truncated",
                                [](const std::string& path, const std::string& good) {
                                    TempDir::write(path, good.substr(0, good.size() / 2));
                                },
                                false, "has a bad CRC"},
                    RefusedFile{"EndsInsideARecordWithAValidCrc",
                                [](const std::string& path, const std::string& good) {
                                    TempDir::write(path, withCrc(good.substr(0, good.size() - 4 - 500)));
                                },
                                false, "refused: machine file: "},
                    RefusedFile{"Empty",
                                [](const std::string& path, const std::string&) { TempDir::write(path, ""); },
                                false, "cannot even hold a CRC"},
                    RefusedFile{"Folder",
                                [](const std::string& path, const std::string&) {
                                    std::filesystem::create_directory(path);
                                },
                                false, "refused: not a regular file"},
                    RefusedFile{"Missing", [](const std::string&, const std::string&) {}, true,
                                "error opening import file: "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImportTest, AHistoryFileIsFiledLikeADownloadWithTheTimeOfItsName) {
    TDBMower* machine = list->entries().at(3);
    const std::uint32_t serial = machine->GetSerialNumber();
    ASSERT_TRUE(machine->Open());
    const std::size_t records = machine->GetMowerLog().Count();
    const std::string named = elsewhere.file("2024-03-07_14-05-09_serialdata.txt");
    TempDir::write(named, binFile(serial));

    importBin(named);
    ASSERT_EQ(machine->GetMowerLog().Count(), records + 1);
    const FXULog& filed = machine->GetMowerLog().Find(FXULogTime(2024, 3, 7, 14, 5, 9));
    EXPECT_EQ(filed.image(), ScriptedMachine::image());
    EXPECT_EQ(filed.serialNumber(), serial);
    EXPECT_EQ(readFile(machine->fileName())->Count(), records + 1) << "written at once";
    EXPECT_EQ(shownTexts(), Strings{"New history insertion done"});
    const Strings log = eventLogTexts();
    const std::string serialText = LinkLog::serialText(serial);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(
        Strings(log.end() - 3, log.end()),
        (Strings{"Request loading history from bin file", "Loading history successful machine: " + serialText,
                 "New log insert successfull machine: " + serialText}));
    EXPECT_EQ(window->downloadedHistory().time, FXULogTime(2024, 3, 7, 14, 5, 9));

    // The same bytes under another name get the time of the import.
    TempDir::write(elsewhere.file("history.bin"), binFile(serial));
    const FXULogTime before;
    importBin(elsewhere.file("history.bin"));
    const FXULogTime after;
    ASSERT_EQ(machine->GetMowerLog().Count(), records + 2);
    const FXULogTime time = window->downloadedHistory().time;
    EXPECT_LE(before, time);
    EXPECT_LE(time, after);
    EXPECT_NO_THROW(machine->GetMowerLog().Find(time));

    // A machine the database lacks goes through the insert dialog; closing it files nothing.
    int insertShown = 0;
    ModalRunner::setRunner([&](QDialog& dialog) {
        insertShown += dynamic_cast<TinsertForm*>(&dialog) != nullptr;
        return 2;
    });
    TempDir::write(elsewhere.file("stranger.bin"), binFile(0x0F00BA12));
    const Snapshot unchanged = snapshot();
    importBin(elsewhere.file("stranger.bin"));
    EXPECT_EQ(insertShown, 1);
    EXPECT_EQ(list->FindBySerial(0x0F00BA12), nullptr);
    EXPECT_EQ(snapshot(), unchanged);
}

TEST_F(ImportTest, AHistoryFileThatIsCutOrMissingFilesNothing) {
    TDBMower* machine = list->entries().at(0);
    const std::string whole = binFile(machine->GetSerialNumber());
    const Snapshot before = snapshot();
    ASSERT_TRUE(machine->Open());
    const std::size_t records = machine->GetMowerLog().Count();
    FXUStringTable::getInstance()->SetLanguage(1);

    const std::string cut = elsewhere.file("2024-03-07_14-05-09_serialdata.txt");
    TempDir::write(cut, whole.substr(0, whole.size() - 1));
    importBin(cut);
    EXPECT_EQ(shownTexts(),
              Strings{FXUStringTable::getInstance()->Text(TextId::ErrorLoadingMachineInformation)});
    Strings log = eventLogTexts();
    EXPECT_EQ(Strings(log.end() - 2, log.end()),
              (Strings{"Request loading history from bin file",
                       "bin file incomplete, it ends inside the history image: " + cut}));

    prompts.shown.clear();
    importBin(elsewhere.file("gone.bin"));
    EXPECT_EQ(shownTexts(), Strings{ProgramTexts::Text(ProgramTexts::Id::FileNotOpened, 1)});
    EXPECT_EQ(eventLogTexts().back(), "error opening bin file: " + elsewhere.file("gone.bin"));

    EXPECT_EQ(machine->GetMowerLog().Count(), records);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(openWindows(), 0);
}

TEST_F(ImportTest, FilesDroppedOntoTheMachineListAreImportedAsIfChosen) {
    window->show();
    HistoryGenerator generator(777);
    auto unknown = generator.machine(2, 7);
    unknown->SetMachineNumber(4321);
    const std::string dat = put("dropped.DAT", *unknown);
    TDBMower* known = list->entries().at(1);
    ASSERT_TRUE(known->Open());
    const std::size_t records = known->GetMowerLog().Count();
    const std::string bin = elsewhere.file("2024-03-07_14-05-09_serialdata.txt");
    TempDir::write(bin, binFile(known->GetSerialNumber()));
    TempDir::write(elsewhere.file("notes.txt"), "not for us");

    auto urls = [](const std::vector<std::string>& paths) {
        auto* data = new QMimeData;
        QList<QUrl> list;
        for (const std::string& path : paths)
            list << QUrl::fromLocalFile(QString::fromStdString(path));
        data->setUrls(list);
        return std::unique_ptr<QMimeData>(data);
    };
    QWidget* target = list->viewport();
    const QPoint inside(20, 20);
    {
        const auto text = urls({elsewhere.file("notes.txt")});
        QDragEnterEvent enter(inside, Qt::CopyAction, text.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        EXPECT_FALSE(enter.isAccepted()) << "nothing the imports take";
    }
    const auto files = urls({elsewhere.file("notes.txt"), dat, bin});
    QDragEnterEvent enter(inside, Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(inside), Qt::CopyAction, files.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(list->FindBySerial(unknown->serialNumber()), nullptr) << "after the drop has ended";
    QApplication::processEvents();

    ASSERT_NE(list->FindBySerial(unknown->serialNumber()), nullptr);
    EXPECT_TRUE(std::filesystem::exists(list->PathFor(unknown->serialNumber())));
    EXPECT_EQ(known->GetMowerLog().Count(), records + 1);
    EXPECT_NO_THROW(known->GetMowerLog().Find(FXULogTime(2024, 3, 7, 14, 5, 9)));
    EXPECT_EQ(shownTexts(), Strings{"New history insertion done"});
    EXPECT_TRUE(prompts.dialogs.empty()) << "no dialog asked";
}

TEST_F(ImportTest, FileDialogsOpenInTheLastFolderUsedAlsoAfterARestart) {
    close();
    EXPECT_EQ(TempDir::read(iniPath()).find("DIALOGS"), std::string::npos)
        << "a run without a file dialog adds nothing";
    start();
    window->findChild<QAction*>(QStringLiteral("ImportMenuItem"))->trigger();
    ASSERT_EQ(prompts.dialogs.size(), 1u);
    EXPECT_EQ(prompts.dialogs[0].folder, "");
    importBin(elsewhere.file("gone.bin"));
    EXPECT_EQ(prompts.dialogs[1].folder, "") << "set by a chosen file only";
    EXPECT_EQ(window->lastFolder(), elsewhere.path().string());
    prompts.fileAnswers.push_back(std::nullopt);
    list->entries().at(0)->Export();
    EXPECT_EQ(prompts.dialogs[2].folder, elsewhere.path().string()) << "the export's dialog too";

    close();
    EXPECT_EQ(IniFile(iniPath()).ReadString("DIALOGS", "LASTFOLDER", ""), elsewhere.path().string());
    EXPECT_EQ(IniFile(iniPath()).ReadString("FILEPATH", "DBPATH", ""), db());
    prompts.dialogs.clear();
    start();
    window->findChild<QAction*>(QStringLiteral("ImportBinMenuItem"))->trigger();
    ASSERT_EQ(prompts.dialogs.size(), 1u);
    EXPECT_EQ(prompts.dialogs[0].folder, elsewhere.path().string());
}
