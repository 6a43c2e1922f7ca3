#include "ui/TDBMowerList.h"

#include "core/base/CLogger.h"
#include "core/database/BinHistoryFile.h"
#include "core/database/UnsavedHistory.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/TestMachines.h"
#include "tools/gen/HistoryGenerator.h"
#include "ui/MachineFindBar.h"
#include "ui/TChildForm.h"
#include "ui/TDBMower.h"
#include "ui/TilePictures.h"
#include "ui/history/TFXULogTab.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

using namespace testmachines;

namespace {

void press(QWidget* widget, Qt::MouseButton button) {
    QMouseEvent event(QEvent::MouseButtonPress, QPointF(10, 10), widget->mapToGlobal(QPointF(10, 10)), button,
                      button, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

class TDBMowerListTest : public ::testing::Test {
protected:
    TDBMowerListTest() { area.show(); }
    void TearDown() override { releaseSharedState(); }

    std::string fileOf(std::uint32_t serial) const {
        char name[16];
        std::snprintf(name, sizeof name, "%08X.dat", static_cast<unsigned>(serial));
        return dir.file(name);
    }
    void store(const TestMachine& wanted) {
        TempDir::write(fileOf(wanted.serial), DBMowerFile::Serialize(*makeMachine(wanted)));
    }
    void checkFile(const std::string& bytes) { TempDir::write(dir.file("dbtisl.chk"), bytes); }
    // The tiles are placed across the viewport, which is what "width" sets here.
    TDBMowerList& makeList(int width = 300, int height = 2000) {
        list = std::make_unique<TDBMowerList>(&area, prompts);
        list->resize(width + 2 * list->frameWidth(), height + 2 * list->frameWidth());
        list->show();
        EXPECT_EQ(list->viewport()->width(), width);
        return *list;
    }
    TDBMowerList& loaded(const std::vector<TestMachine>& machines, int width = 300, int height = 2000,
                         std::string entries = {}) {
        for (const TestMachine& wanted : machines) {
            store(wanted);
            entries += checkEntry(wanted.serial);
        }
        checkFile(entries);
        makeList(width, height).LoadDatabase(dir.path().string());
        return *list;
    }
    static std::vector<std::string> logged() {
        std::vector<std::string> texts;
        for (const LogEntry& entry : CLogger::getInstance()->entries())
            texts.push_back(entry.text);
        return texts;
    }
    template <typename Value> std::vector<Value> each(Value (*of)(const TDBMower&)) const {
        std::vector<Value> values;
        for (const TDBMower* entry : list->entries())
            values.push_back(of(*entry));
        return values;
    }
    std::vector<QPoint> positions() const {
        return each<QPoint>([](const TDBMower& e) { return e.pos(); });
    }
    std::vector<std::string> names() const {
        return each<std::string>([](const TDBMower& e) { return e.GetNameText(); });
    }

    TempDir dir;
    ScriptedPrompts prompts;
    QMdiArea area;
    std::unique_ptr<TDBMowerList> list; // destroyed before the area that holds its windows
};

} // namespace

TEST_F(TDBMowerListTest, PlacesTilesRowByRowAcrossTheVisibleWidth) {
    std::vector<TestMachine> machines;
    for (std::uint32_t i = 1; i <= 5; ++i)
        machines.push_back({i, "Name" + std::to_string(i)});
    loaded(machines, 300);
    // Two per row: after the second tile x is 210, not below 300 - 95.
    const std::vector<QPoint> twoPerRow = {{0, 0}, {105, 0}, {0, 100}, {105, 100}, {0, 200}};
    EXPECT_EQ(positions(), twoPerRow);
    EXPECT_EQ(list->widget()->size(), QSize(200, 300)) << "the canvas holds all tiles, so the list scrolls";

    // A new width places the same order again; 420 holds four (315 < 325).
    list->resize(420 + 2 * list->frameWidth(), list->height());
    EXPECT_EQ(positions(), (std::vector<QPoint>{{0, 0}, {105, 0}, {210, 0}, {315, 0}, {0, 100}}));
    // Exactly at the limit: x = 210 is not below 305 - 95, so the row ends.
    list->resize(305 + 2 * list->frameWidth(), list->height());
    EXPECT_EQ(positions(), twoPerRow);

    loaded(machines, 200, 150);
    QApplication::processEvents(); // the vertical scroll bar comes and takes its width
    EXPECT_LT(list->viewport()->width(), 200);
    EXPECT_EQ(positions(), (std::vector<QPoint>{{0, 0}, {0, 100}, {0, 200}, {0, 300}, {0, 400}}));
    list->verticalScrollBar()->setValue(300);
    ASSERT_EQ(list->verticalScrollBar()->value(), 300);
    list->SortByMachineId();
    EXPECT_EQ(list->verticalScrollBar()->value(), 0) << "arranging scrolls back to the top";
}

TEST_F(TDBMowerListTest, SortsNamesIgnoringCaseAndMachineNumbersByTheirBytes) {
    loaded({{1, "bernard", ""}, {2, "Claire", ""}, {3, "ALAIN", ""}, {4, "Alain", ""}});
    EXPECT_TRUE(list->sortByName());
    const auto byName = names();
    EXPECT_EQ(std::set<std::string>(byName.begin(), byName.begin() + 2),
              (std::set<std::string>{"ALAIN ", "Alain "}));
    EXPECT_EQ(std::vector<std::string>(byName.begin() + 2, byName.end()),
              (std::vector<std::string>{"bernard ", "Claire "}));

    // "-" (45) before the digits, the digits before the upper-case letters; a collation that skipped the
    // hyphens would put 0005 before -0007. A folder of its own: the machines above would be found there.
    for (const auto& file : std::filesystem::directory_iterator(dir.path()))
        std::filesystem::remove(file.path());
    loaded({{11, "a", "", 9, 5},
            {12, "b", "", 0, 5},
            {13, "c", "", 4, 5},
            {14, "d", "", 2, 5},
            {15, "e", "", 13, 5},
            {16, "f", "", 4, -7}});
    list->SortByMachineId();
    EXPECT_FALSE(list->sortByName());
    const std::vector<std::string> expected = {"-21-0005",   "Q1-21-0005", "QA-21--0007",
                                               "QA-21-0005", "QB-21-0005", "VRN210-260005"};
    EXPECT_EQ(list->MachineNumberList(), expected);
    EXPECT_EQ(each<std::string>([](const TDBMower& e) { return e.GetMachineNumberText(); }), expected);
}

TEST_F(TDBMowerListTest, FindsTheLastMatchAndFilesIntoTheFirst) {
    const std::uint32_t serial = 0x00ABCDEF;
    // Alpha lives in the file of its old serial number.
    TempDir::write(fileOf(0x00000033), DBMowerFile::Serialize(*makeMachine({serial, "Alpha", "", 4, 7})));
    loaded({{serial, "Beta", "", 4, 7}, {0x00000022, "Gamma", "", 5, 7}}, 300, 2000, checkEntry(0x00000033));
    ASSERT_EQ(names(), (std::vector<std::string>{"Alpha ", "Beta ", "Gamma "}));
    TDBMower* alpha = list->entries()[0];
    TDBMower* beta = list->entries()[1];

    EXPECT_EQ(list->FindBySerial(serial), beta);
    EXPECT_EQ(list->FindBySerial(0x12345678), nullptr);
    EXPECT_EQ(list->FindByIdentity(4, 21, 1, 7), beta);
    EXPECT_EQ(list->FindByIdentity(5, 21, 1, 7), list->entries()[2]);
    EXPECT_EQ(list->FindByIdentity(4, 21, 0, 7), nullptr);
    EXPECT_TRUE(list->MachineExists(5, 21, 1, 7) && !list->MachineExists(5, 22, 1, 7));

    auto record = makeRecord(serial, timeOf(9));
    EXPECT_EQ(list->InsertRecordBySerial(record), Filing::Saved);
    EXPECT_EQ(record, nullptr);
    EXPECT_EQ(alpha->GetMowerLog().Count(), 3u);
    ASSERT_TRUE(beta->Open());
    EXPECT_EQ(beta->GetMowerLog().Count(), 2u);
    auto stranger = makeRecord(0x12345678, timeOf(9));
    EXPECT_FALSE(list->InsertRecordBySerial(stranger).has_value());
    EXPECT_NE(stranger, nullptr) << "not taken";

    // By machine number: the first with the text; a time already filed is refused there.
    auto again = makeRecord(serial, timeOf(9));
    EXPECT_FALSE(list->InsertRecordByMachineNumber("QA-21-0007", again));
    EXPECT_NE(again, nullptr);
    EXPECT_FALSE(list->InsertRecordByMachineNumber("QA-21-0008", again));
    again->SetLogTime(timeOf(10));
    EXPECT_TRUE(list->InsertRecordByMachineNumber("QA-21-0007", again));
    EXPECT_EQ(alpha->GetMowerLog().Count(), 4u);
}

TEST_F(TDBMowerListTest, FiledRecordIsOnDiskAtOnceAndADuplicateTimeChangesNothing) {
    const std::uint32_t serial = 0x00000100;
    loaded({{serial, "Owner"}});
    TDBMower* entry = list->entries()[0];
    const std::string before = TempDir::read(fileOf(serial));
    const QImage tile = entry->tile();

    auto duplicate = makeRecord(0x00000200, timeOf(1));
    EXPECT_EQ(entry->InsertRecord(duplicate), Filing::Duplicate);
    EXPECT_NE(duplicate, nullptr);
    EXPECT_EQ(entry->GetMowerLog().Count(), 2u);
    EXPECT_EQ(entry->tile(), tile);
    EXPECT_EQ(TempDir::read(fileOf(serial)), before);
    EXPECT_EQ(entry->window(), nullptr);
    // Through the list the refused record still brings the machine's window up.
    duplicate->SetSerialNumber(serial);
    EXPECT_EQ(list->InsertRecordBySerial(duplicate), Filing::Duplicate);
    ASSERT_NE(entry->window(), nullptr);
    EXPECT_EQ(entry->window()->MainLogPageControl()->count(), 2);

    // A newer record from a replaced board: the machine takes its serial number and shows its tab.
    auto newer = makeRecord(0x00000200, timeOf(5));
    EXPECT_EQ(entry->InsertRecord(newer), Filing::Saved);
    EXPECT_EQ(entry->GetSerialNumber(), 0x00000200u);
    EXPECT_NE(entry->tile(), tile);
    EXPECT_EQ(entry->window()->MainLogPageControl()->currentIndex(), 2) << "its new tab, shown";
    const auto onDisk = readBack(fileOf(serial));
    EXPECT_EQ(onDisk->Count(), 3u);
    EXPECT_NO_THROW(onDisk->Find(timeOf(5)));

    // A file that cannot be written: the record is kept as a history file the import reads, and the dealer
    // is told where, not that it was filed.
    entry->entry().file().SetFileName(dir.file("missing/00000100.dat"));
    list->setUnsavedFolder(dir.file("unsaved"));
    auto unsaved = makeRecord(0x00000200, timeOf(6));
    const std::vector<std::uint8_t> image(unsaved->image().begin(), unsaved->image().end());
    EXPECT_EQ(entry->InsertRecord(unsaved), Filing::NotSaved);
    EXPECT_EQ(entry->GetMowerLog().Count(), 4u) << "still in the machine's window";
    const std::string kept = dir.file("unsaved/00000200/" + BinHistoryFile::FileNameFor(timeOf(6)));
    ASSERT_EQ(logged().size(), 2u);
    EXPECT_EQ(logged()[0].rfind("Couldn't save machine file: ", 0), 0u) << logged()[0];
    EXPECT_NE(logged()[0].find("missing/00000100.dat"), std::string::npos);
    EXPECT_EQ(logged()[1], "History of machine 00000200 of " + timeOf(6).isoText() + " kept as " + kept +
                               ": its machine file could not be written");
    BinHistoryFile reader;
    BinHistoryFile::Contents contents;
    ASSERT_TRUE(reader.Load(kept, contents)) << reader.lastError();
    EXPECT_EQ(contents.time, timeOf(6)) << "the import gives it its time back";
    EXPECT_EQ(contents.frame.serialNumber(), 0x00000200u);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), contents.image.begin()));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown.back().kind, Prompts::Kind::Error);
    EXPECT_EQ(prompts.shown.back().text,
              ProgramTexts::Text(ProgramTexts::Id::MachineFileNotWrittenHistoryKept,
                                 {entry->GetMachineNumberText(), dir.file("unsaved/00000200")}));

    // Nowhere to keep it either: said so, never reported as safe.
    TempDir::write(dir.file("blocked"), "a file where the folder would be");
    list->setUnsavedFolder(dir.file("blocked"));
    auto lost = makeRecord(0x00000200, timeOf(7));
    EXPECT_EQ(entry->InsertRecord(lost), Filing::NotSaved);
    EXPECT_EQ(prompts.shown.back().text,
              ProgramTexts::Text(ProgramTexts::Id::MachineFileNotWrittenHistoryLost,
                                 {entry->GetMachineNumberText()}));
    EXPECT_NE(logged().back().find("could not be kept elsewhere either"), std::string::npos)
        << logged().back();
}

TEST_F(TDBMowerListTest, WindowsOpenOnceAndOnlyOpenedMachinesAreSavedAtTheEnd) {
    loaded({{1, "A"}, {2, "B"}, {3, "C"}});
    const std::string fileA = TempDir::read(fileOf(1)), fileC = TempDir::read(fileOf(3));
    // A new machine: file named after its serial number, entered in the check file, window maximised.
    EXPECT_TRUE(list->CreateMachine(makeMachine({0x0001A2F3, "D", "", 1, 42})));
    EXPECT_EQ(TempDir::read(dir.file("dbtisl.chk")),
              checkEntry(1) + checkEntry(2) + checkEntry(3) + std::string("\xF3\xA2\x01\x00\x96\x01", 6));
    EXPECT_EQ(readBack(dir.file("0001A2F3.dat"))->MachineNumberText(), "QC-21-0042");
    ASSERT_NE(list->entries()[3]->window(), nullptr);
    auto* created = qobject_cast<QMdiSubWindow*>(list->entries()[3]->window()->parentWidget());
    ASSERT_NE(created, nullptr);
    EXPECT_TRUE(created->isMaximized());
    EXPECT_EQ(area.activeSubWindow(), created);

    TDBMower* b = list->entries()[1];
    press(list->entries()[2], Qt::RightButton);
    EXPECT_EQ(list->entries()[2]->window(), nullptr) << "only the left button opens";
    press(b, Qt::LeftButton);
    ASSERT_NE(b->window(), nullptr);
    TChildForm* window = b->window();
    auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    frame->close();
    EXPECT_TRUE(frame->isMinimized());
    press(b, Qt::LeftButton);
    EXPECT_EQ(b->window(), window) << "the same window comes back";
    EXPECT_TRUE(frame->isMaximized()) << "as it was before it was closed";
    frame->showNormal();
    const QSize room = area.viewport()->size();
    EXPECT_EQ(frame->size(), QSize(std::min(816, room.width()), std::min(665, room.height())))
        << "restored to its normal size, bounded by the area";
    frame->showMaximized();
    EXPECT_EQ(area.subWindowList().size(), 2);
    EXPECT_EQ(area.activeSubWindow(), frame);

    for (TDBMower* entry : list->entries())
        entry->GetMowerLog().SetAddress("Changed");
    window->tab(0)->commentEditor()->setPlainText("Blades changed");
    EXPECT_TRUE(list->SaveAll());
    EXPECT_EQ(TempDir::read(fileOf(1)), fileA);
    EXPECT_EQ(TempDir::read(fileOf(3)), fileC);
    const auto savedB = readBack(fileOf(2));
    EXPECT_EQ(savedB->address(), "Changed");
    EXPECT_NE(savedB->At(0).second->comment().find("Blades changed"), std::string::npos)
        << "edits stored first";
}

TEST_F(TDBMowerListTest, TilesShowPictureAndTextsAndEveryPictureIsItsOwn) {
    loaded({{1, "Plain", "", 8, 3}, {2, "Pictured", "", 4, 3}, {3, "Wide", "", 2, 3}});
    list->SortByMachineId(); // -21-0003, QA-21-0003, VRN210-260003
    const QImage plain = list->entries()[0]->tile();
    ASSERT_EQ(plain.size(), QSize(95, 100));
    auto whiteOnly = [](const QImage& image, const QRect& area) {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255))
                    return false;
        return true;
    };
    EXPECT_TRUE(whiteOnly(plain, QRect(0, 0, 95, 50))) << "no picture: white where it would be";
    for (int top : {50, 65, 80})
        EXPECT_FALSE(whiteOnly(plain, QRect(0, top, 95, 12))) << "text row at " << top;
    EXPECT_TRUE(whiteOnly(plain, QRect(0, 63, 95, 2)) && whiteOnly(plain, QRect(0, 95, 95, 5)));

    EXPECT_EQ(list->entries()[1]->tile().copy(0, 0, 48, 48), TilePictures::forType(4));
    EXPECT_EQ(list->entries()[2]->tile().copy(0, 0, 80, 48), TilePictures::forType(2));
    EXPECT_TRUE(whiteOnly(list->entries()[1]->tile(), QRect(48, 0, 47, 48)));
    EXPECT_FALSE(whiteOnly(list->entries()[1]->tile(), QRect(0, 50, 95, 12)));

    std::vector<QImage> distinct;
    for (int code = 0; code < 256; ++code) {
        const QImage picture = TilePictures::forType(static_cast<std::uint8_t>(code));
        const bool has = (code >= 1 && code <= 13 && code != 8);
        ASSERT_EQ(!picture.isNull(), has) << code;
        if (!has || code == 10)
            continue;
        EXPECT_EQ(picture.size(), QSize(code == 2 ? 80 : 48, 48)) << code;
        int drawn = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                drawn += picture.pixel(x, y) != qRgb(255, 255, 255);
        EXPECT_GT(drawn, picture.width() * picture.height() / 4) << code;
        for (const QImage& seen : distinct)
            EXPECT_NE(picture, seen) << code;
        distinct.push_back(picture);
    }
    EXPECT_EQ(TilePictures::forType(9), TilePictures::forType(10)) << "both ball collectors";
}

TEST_F(TDBMowerListTest, ScrollingThroughAllTilesKeepsOnlyTheLastDrawnPictures) {
    std::vector<TestMachine> machines;
    for (std::uint32_t serial = 1; serial <= TDBMowerList::kTilePicturesKept + 40; ++serial)
        machines.push_back({serial, "Owner" + std::to_string(serial)});
    loaded(machines, 300, 200);
    const QImage first = list->entries()[0]->tile();
    for (const TDBMower* entry : list->entries())
        entry->tile();
    std::size_t holding = 0;
    for (const TDBMower* entry : list->entries())
        holding += entry->holdsPicture();
    EXPECT_EQ(holding, TDBMowerList::kTilePicturesKept);
    EXPECT_FALSE(list->entries()[0]->holdsPicture());
    EXPECT_TRUE(list->entries().back()->holdsPicture());
    EXPECT_EQ(list->entries()[0]->tile(), first) << "drawn again as it was";
}

TEST_F(TDBMowerListTest, ExportWritesTheMachineFileUnderADatNameAsASaveWouldWriteIt) {
    FXUStringTable::getInstance()->SetLanguage(0);
    loaded({{0x00000042, "Export"}});
    TDBMower* entry = list->entries()[0];
    const std::string original = TempDir::read(fileOf(0x42));
    TempDir elsewhere;

    EXPECT_TRUE(entry->Export()) << "cancel";
    EXPECT_TRUE(prompts.shown.empty());
    ASSERT_EQ(prompts.dialogs.size(), 1u);
    EXPECT_EQ(prompts.dialogs[0].mode, Prompts::FileDialog::Mode::Save);
    EXPECT_EQ(prompts.dialogs[0].title, "Export");
    EXPECT_EQ(prompts.dialogs[0].filter, "Export File|*.dat|All files|*.*");
    EXPECT_EQ(entry->window(), nullptr) << "a cancelled export opens nothing";

    prompts.fileAnswers.push_back(elsewhere.file("copy.txt"));
    auto* menu = entry->contextMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Export"));
    entry->OpenWindow();
    entry->window()->tab(1)->commentEditor()->setPlainText("Exported note");
    menu->actions()[0]->trigger();
    EXPECT_FALSE(std::filesystem::exists(elsewhere.file("copy.txt")));
    const std::string exported = TempDir::read(elsewhere.file("copy.dat"));
    EXPECT_NE(readBack(elsewhere.file("copy.dat"))->At(1).second->comment().find("Exported note"),
              std::string::npos)
        << "the window's edits first";
    EXPECT_EQ(TempDir::read(fileOf(0x42)), original) << "the database file is not written";
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Plain);
    EXPECT_EQ(prompts.shown[0].text, "Exportation done");
    // What the close writes to the machine's own file is the same, byte for byte.
    ASSERT_TRUE(entry->SaveIfOpen());
    EXPECT_EQ(TempDir::read(fileOf(0x42)), exported);

    prompts.fileAnswers.push_back(elsewhere.file("plain"));
    EXPECT_TRUE(entry->Export());
    EXPECT_EQ(TempDir::read(elsewhere.file("plain.dat")), exported);

    prompts.fileAnswers.push_back(elsewhere.file("missing/copy.dat"));
    EXPECT_FALSE(entry->Export());
    const std::vector<std::string> log = logged();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "Couldn't create export file");
    EXPECT_NE(log.back().find(elsewhere.file("missing/copy.dat")), std::string::npos) << log.back();
    ASSERT_EQ(prompts.shown.size(), 3u);
    EXPECT_EQ(prompts.shown[2].kind, Prompts::Kind::Error);
    EXPECT_EQ(prompts.shown[2].text, "Error during export file creation");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(elsewhere.path()), {}), 2)
        << "no temporary left behind";
}

// Every way of naming a file of the database folder, through links and "..", is refused before anything is
// written or opened.
TEST_F(TDBMowerListTest, AnExportIntoTheDatabaseFolderIsRefused) {
    FXUStringTable::getInstance()->SetLanguage(2);
    loaded({{0x00000042, "Export"}, {0x00000043, "Other"}});
    TDBMower* entry = list->entries()[0];
    TempDir elsewhere;
    std::filesystem::create_directory_symlink(dir.path(), elsewhere.file("link"));
    std::filesystem::create_symlink(fileOf(0x43), elsewhere.file("other.dat"));
    std::filesystem::create_directory(elsewhere.file("sub"));
    const std::string folderName = dir.path().filename().string();
    auto snapshot = [&] {
        std::map<std::string, std::string> files;
        for (const auto& item : std::filesystem::directory_iterator(dir.path()))
            files[item.path().filename().string()] = TempDir::read(item.path().string());
        return files;
    };
    const auto before = snapshot();

    for (const std::string& chosen :
         {entry->fileName(), fileOf(0x43), dir.file("copy.txt"), dir.file("dbtisl"),
          elsewhere.file("link/copy.dat"), elsewhere.file("other.dat"),
          elsewhere.file("sub/../link/0000004") + "2.txt", dir.file("../" + folderName + "/new.dat")}) {
        SCOPED_TRACE(chosen);
        prompts.shown.clear();
        prompts.fileAnswers.push_back(chosen);
        EXPECT_FALSE(entry->Export());
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Error);
        EXPECT_EQ(prompts.shown[0].text,
                  FXUStringTable::getInstance()->Text(TextId::ErrorDuringExportFileCreation) + "\n" +
                      ProgramTexts::Text(ProgramTexts::Id::ExportIntoDatabase, 2));
        EXPECT_EQ(logged().back().rfind("Export file ", 0), 0u) << logged().back();
        EXPECT_NE(logged().back().find("refused"), std::string::npos);
    }
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(entry->window(), nullptr);

    // Beside the database, or in a folder inside it, is another place.
    std::filesystem::create_directory(dir.file("exports"));
    for (const std::string& chosen : {elsewhere.file("sub/ok.dat"), dir.file("exports/ok.dat")}) {
        prompts.fileAnswers.push_back(chosen);
        EXPECT_TRUE(entry->Export());
        EXPECT_EQ(TempDir::read(chosen), DBMowerFile::Serialize(entry->GetMowerLog()));
    }
}

TEST_F(TDBMowerListTest, ASaveRespectsWhatItFindsOnDisk) {
    FXUStringTable::getInstance()->SetLanguage(0);
    const std::uint32_t serial = 0x00000100;
    loaded({{serial, "Owner"}});
    TDBMower* entry = list->entries()[0];

    // Marked read-only: not replaced; the record is kept aside, the user is told and the log says why.
    const std::string before = TempDir::read(fileOf(serial));
    ::chmod(fileOf(serial).c_str(), 0444);
    list->setUnsavedFolder(dir.file("unsaved"));
    auto first = makeRecord(serial, timeOf(7));
    EXPECT_EQ(entry->InsertRecord(first), Filing::NotSaved);
    EXPECT_TRUE(TempDir::read(fileOf(serial)) == before);
    ASSERT_EQ(logged().size(), 2u);
    EXPECT_TRUE(logged()[0].starts_with("Couldn't save machine file: cannot write " + fileOf(serial) +
                                        ": Permission denied"))
        << logged()[0];
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              ProgramTexts::Text(ProgramTexts::Id::MachineFileNotWrittenHistoryKept,
                                 {entry->GetMachineNumberText(), dir.file("unsaved/00000100")}));

    // Written meanwhile by another program: that version is kept beside the file, and the log says where.
    ::chmod(fileOf(serial).c_str(), 0640);
    const std::string theirs = DBMowerFile::Serialize(*makeMachine({serial, "Theirs"}));
    TempDir::write(fileOf(serial), theirs);
    auto second = makeRecord(serial, timeOf(8));
    EXPECT_EQ(entry->InsertRecord(second), Filing::Saved);
    EXPECT_TRUE(TempDir::read(fileOf(serial) + ".old") == theirs);
    EXPECT_EQ(logged().back(), "Machine file " + fileOf(serial) +
                                   " was changed on disk by another program; that version kept as " +
                                   fileOf(serial) + ".old");
    EXPECT_EQ(readBack(fileOf(serial))->Count(), 4u) << "both new records, on top of the two loaded";
    EXPECT_EQ(std::filesystem::status(fileOf(serial)).permissions(), std::filesystem::perms(0640));
    const std::size_t lines = logged().size();
    auto third = makeRecord(serial, timeOf(9));
    EXPECT_EQ(entry->InsertRecord(third), Filing::Saved);
    EXPECT_EQ(logged().size(), lines) << "its own file is not kept again";
}

TEST_F(TDBMowerListTest, TheFindBarFiltersTilesCountsThemAndSaysWhenNoneIsLeft) {
    loaded({{1, "Zo\xEB", "Adam", 9, 7}, {2, "Martin", "Zoe", 4, 8}, {3, "Dupont", "Luc", 4, 9}}, 300);
    MachineFindBar bar;
    QObject::connect(&bar, &MachineFindBar::changed, [&] { list->setFilter(bar.filter()); });
    QObject::connect(list.get(), &TDBMowerList::shownChanged,
                     [&](int shown, int total) { bar.showCount(shown, total, list->filtered()); });
    const auto visibleNames = [this] {
        std::vector<std::string> shown;
        for (const TDBMower* entry : list->entries())
            if (entry->isVisible())
                shown.push_back(entry->GetNameText());
        return shown;
    };
    const auto* none = list->viewport()->findChild<QLabel*>(QStringLiteral("noMachineFound"));
    ASSERT_NE(none, nullptr);

    bar.searchField()->setText(QString::fromUtf8("ZOË"));
    EXPECT_EQ(visibleNames(), (std::vector<std::string>{"Martin Zoe", "Zo\xEB Adam"}));
    EXPECT_EQ(list->entries()[2]->pos(), QPoint(105, 0)) << "the shown tiles close up";
    EXPECT_FALSE(bar.countLabel()->isHidden());
    EXPECT_EQ(bar.countLabel()->text().toStdString(),
              ProgramTexts::Text(ProgramTexts::Id::MachinesShown, {"2", "3"}));
    list->SortByMachineId();
    EXPECT_EQ(visibleNames(), (std::vector<std::string>{"Martin Zoe", "Zo\xEB Adam"})) << "QA before QB";

    bar.typeBox()->setCurrentIndex(bar.typeBox()->findText(QStringLiteral("QB")));
    EXPECT_EQ(visibleNames(), (std::vector<std::string>{"Zo\xEB Adam"}));
    bar.searchField()->setText(QString::fromUtf8("zoe \u0142")); // a letter the code page lacks
    EXPECT_TRUE(visibleNames().empty());
    EXPECT_FALSE(none->isHidden());

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    bar.show();
    bar.searchField()->setFocus();
    QApplication::sendEvent(bar.searchField(), &escape);
    EXPECT_TRUE(bar.searchField()->text().isEmpty());
    bar.typeBox()->setCurrentIndex(0);
    EXPECT_EQ(visibleNames().size(), 3u);
    EXPECT_TRUE(none->isHidden());
    EXPECT_TRUE(bar.countLabel()->isHidden());
}
