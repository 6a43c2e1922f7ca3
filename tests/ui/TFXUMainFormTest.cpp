#include "ui/TFXUMainForm.h"

#include "core/base/CLogger.h"
#include "core/base/IniFile.h"
#include "core/database/DBMowerFile.h"
#include "core/database/DatabaseLock.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "core/link/EComPort.h"
#include "core/link/TComPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "tools/gen/DemoDatabase.h"
#include "ui/MenuMergeSource.h"
#include "ui/TComComboBox.h"
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"

#include <QAction>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QRadioButton>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class MainFormTest : public ::testing::Test {
protected:
    // An empty DBPATH is the current directory: the test's own.
    void SetUp() override {
        previousDirectory = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override {
        std::filesystem::current_path(previousDirectory);
        // A test that never closed its window still leaves no shared state behind.
        releaseSharedState();
    }

    std::string program() const { return dir.file("orvane-service-kit"); }
    std::string iniPath() const { return dir.file("orvane-service-kit.INI"); }
    std::string logPath() const { return dir.file("orvane-service-kit.log"); }
    void settings(const std::string& content) { TempDir::write(iniPath(), content); }
    IniFile ini() const { return IniFile(iniPath()); }

    std::unique_ptr<TFXUMainForm> start() {
        auto port = std::make_unique<TComPort>([this] {
            if (enumerationFails)
                throw EComPort("enumerate ports", 5);
            return ports;
        });
        return std::make_unique<TFXUMainForm>(program(), std::move(port), clock, prompts);
    }
    static void close(TFXUMainForm& window) {
        testing::internal::CaptureStdout();
        window.close();
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(window.closed());
    }
    static std::vector<QString> menuBarTitles(TFXUMainForm& window) {
        std::vector<QString> titles;
        for (QAction* action : window.menuBar()->actions())
            titles.push_back(action->text());
        return titles;
    }
    bool chooserShown(TFXUMainForm& window) const {
        return window.findChild<QAction*>(QStringLiteral("ComComboBoxAction"))->isVisible();
    }

    TempDir dir;
    std::filesystem::path previousDirectory;
    std::vector<std::string> ports;
    bool enumerationFails = false;
    VirtualClock clock;
    ScriptedPrompts prompts;
};

class MergingChild : public QWidget, public MenuMergeSource {
public:
    MergingChild() : edition_(new QMenu(QStringLiteral("Edition"), this)) {}
    std::vector<std::pair<int, QMenu*>> mergedMenus() const override { return {{12, edition_}}; }

private:
    QMenu* edition_;
};

} // namespace

TEST_F(MainFormTest, FirstStartUsesTheDefaultsAndTheCloseWritesEveryKeyButTheDatabasePath) {
    auto window = start();
    EXPECT_EQ(window->width(), 668);
    EXPECT_EQ(window->height(), 775);
    EXPECT_EQ(window->x(), 200);
    EXPECT_EQ(window->y(), 130);
    EXPECT_EQ(window->windowTitle(), QStringLiteral(" Orvane Service Kit 5.1 - BETA VERSION C3"));
    EXPECT_EQ(window->languageCode(), 1);
    EXPECT_EQ(menuBarTitles(*window), (std::vector<QString>{"Fichier", "Options", "Fenêtre"}));
    EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("ImportMenuItem"))->text(),
              "Importer données (.dat)");
    EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("ImportBinMenuItem"))->text(),
              "Importer historique (.bin)");
    EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("ExitMenuItem"))->text(), "Quitter");
    EXPECT_EQ(window->findChild<QMenu*>(QStringLiteral("LanguageMenuItem"))->title(), "Langue");
    EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("cascMenuItem"))->text(), "Cascade");
    EXPECT_EQ(window->findChild<QGroupBox*>(QStringLiteral("dbMLGroupBox"))->title(), "Tri");
    EXPECT_EQ(window->findChild<QRadioButton*>(QStringLiteral("MachineIdRadioButt"))->text(), "Par machine");
    EXPECT_EQ(window->findChild<QRadioButton*>(QStringLiteral("NameRadioButt"))->text(), "Par nom");
    EXPECT_EQ(window->findChild<QToolButton*>(QStringLiteral("upgradeToolButt"))->toolTip(), "Mise à jour");
    EXPECT_EQ(window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->toolTip(),
              "Lire l'historique");
    EXPECT_EQ(window->findChild<QToolButton*>(QStringLiteral("upgradeToolButt"))->text(), "Mise à jour");
    EXPECT_TRUE(window->findChild<QRadioButton*>(QStringLiteral("MachineIdRadioButt"))->isChecked());
    EXPECT_FALSE(window->findChild<QRadioButton*>(QStringLiteral("NameRadioButt"))->isChecked());
    EXPECT_TRUE(window->autoCOM());
    EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("autoCOMMenuItem"))->isChecked());
    EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("autoCOMMenuItem"))->text(), "Auto COM port");
    EXPECT_FALSE(chooserShown(*window));
    EXPECT_TRUE(clock.sleeps.empty()) << "automatic mode does not wait at start";
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(window->comPort().Connected()) << "the port stays closed at start";

    close(*window);
    IniFile written = ini();
    EXPECT_EQ(written.ReadInteger("MainForm", "Height", 0), 775);
    EXPECT_EQ(written.ReadInteger("MainForm", "Width", 0), 668);
    EXPECT_EQ(written.ReadInteger("MainForm", "Top", 0), 130);
    EXPECT_EQ(written.ReadInteger("MainForm", "Left", 0), 200);
    EXPECT_EQ(written.ReadString("GENERAL", "LANGUAGE", "-"), "1");
    EXPECT_EQ(written.ReadString("GENERAL", "SORTBYNAME", "-"), "0");
    EXPECT_EQ(written.ReadString("COM", "AUTO", "-"), "1");
    EXPECT_EQ(written.ReadString("COM", "PORT", "-"), "");
    EXPECT_EQ(TempDir::read(iniPath()).find("DBPATH"), std::string::npos);
    EXPECT_EQ(written.ReadString("FILEPATH", "DBPATH", "absent"), "absent");

    // No check file in the (current) database directory: one line with the check error, and the run goes on.
    const std::string log = TempDir::read(logPath());
    // After "Starting program", where this run's files are: beside the program.
    const std::string files =
        "Files beside the program: settings " + iniPath() + ", event log " + logPath() + "\r\n";
    ASSERT_EQ(log.size(), 20u + 18 + 20 + files.size() + 20 + 33);
    EXPECT_EQ(log.substr(20, 18), "Starting program\r\n");
    EXPECT_EQ(log.substr(58, files.size()), files);
    EXPECT_EQ(log.substr(78 + files.size()), "no db checker file or corrupted\r\n");
    EXPECT_EQ(FXUStringTable::getInstance()->Language(), 1) << "the catalogue was released and starts anew";
}

TEST_F(MainFormTest, StoredSettingsAreAppliedAndTheDatabasePathSurvives) {
    settings("[MainForm]\nHeight=500\nWidth=700\nTop=20\nLeft=30\n[GENERAL]\nLANGUAGE=256\nSORTBYNAME=1\n"
             "[FILEPATH]\nDBPATH=/srv/machines\n");
    TempDir::write(logPath(), "01/02 03H04m05s06 : from the last run\r\n");
    auto window = start();
    EXPECT_EQ(window->height(), 500);
    EXPECT_EQ(window->width(), 700);
    EXPECT_EQ(window->y(), 20);
    EXPECT_EQ(window->x(), 30);
    EXPECT_EQ(window->languageCode(), 0) << "256 keeps its low 8 bits";
    EXPECT_EQ(menuBarTitles(*window), (std::vector<QString>{"File", "Options", "Window"}));
    EXPECT_TRUE(window->findChild<QRadioButton*>(QStringLiteral("NameRadioButt"))->isChecked());
    EXPECT_FALSE(window->findChild<QRadioButton*>(QStringLiteral("MachineIdRadioButt"))->isChecked());

    window->findChild<QRadioButton*>(QStringLiteral("MachineIdRadioButt"))->click();
    close(*window);
    EXPECT_EQ(ini().ReadString("FILEPATH", "DBPATH", ""), "/srv/machines");
    EXPECT_EQ(ini().ReadString("GENERAL", "SORTBYNAME", "-"), "0");
    EXPECT_EQ(ini().ReadString("GENERAL", "LANGUAGE", "-"), "0");
    const std::string log = TempDir::read(logPath());
    const std::string previous = "01/02 03H04m05s06 : from the last run\r\n";
    ASSERT_EQ(log.substr(0, previous.size()), previous);
    EXPECT_EQ(log.substr(previous.size() + 17, 21), " : Starting program\r\n")
        << "this run's first line follows";
}

TEST_F(MainFormTest, GarbageSettingsGiveDefaultsAndAnUnwritableSettingsFileIsLogged) {
    // A usable port is named, so only the unreadable AUTO can make the start automatic.
    ports = {"ttyS0"};
    settings("[MainForm]\nHeight=tall\nWidth=\n[GENERAL]\nLANGUAGE=x\nSORTBYNAME=maybe\n[COM]\nAUTO=no\n"
             "PORT=ttyS0\n");
    auto window = start();
    EXPECT_EQ(window->height(), 775);
    EXPECT_EQ(window->width(), 668);
    EXPECT_EQ(window->languageCode(), 1);
    EXPECT_TRUE(window->autoCOM());
    EXPECT_FALSE(window->sortByName());
    EXPECT_TRUE(window->findChild<QRadioButton*>(QStringLiteral("MachineIdRadioButt"))->isChecked());

    // The settings file is replaced by a directory: the close still writes the log.
    std::filesystem::remove(iniPath());
    std::filesystem::create_directory(iniPath());
    close(*window);
    const std::string log = TempDir::read(logPath());
    EXPECT_NE(log.find("Starting program\r\n"), std::string::npos);
    EXPECT_NE(log.find("Couldn't write settings file "), std::string::npos) << log;
}

TEST_F(MainFormTest, ASettingsFileThatCannotBeReadIsToldAndLeftAsItIs) {
    ASSERT_EQ(::mkfifo(iniPath().c_str(), 0600), 0);
    auto window = start();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, ProgramTexts::Text(ProgramTexts::Id::SettingsUnreadable, 1, {iniPath()}))
        << "in the default language";
    close(*window);
    EXPECT_TRUE(std::filesystem::is_fifo(iniPath()));
    const std::string log = TempDir::read(logPath());
    EXPECT_NE(log.find("Settings file cannot be read (" + iniPath() + ": not a regular file)"),
              std::string::npos)
        << log;
}

TEST_F(MainFormTest, AnUnwritableLogDoesNotStopTheClose) {
    std::filesystem::create_directory(logPath());
    auto window = start();
    window->EnglishMenuItemClick();
    close(*window);
    EXPECT_EQ(ini().ReadString("GENERAL", "LANGUAGE", "-"), "0");
    EXPECT_TRUE(std::filesystem::is_directory(logPath()));
}

TEST_F(MainFormTest, ManualModeWithoutAPortNameStartsAutomatic) {
    settings("[COM]\nAUTO=0\n");
    auto window = start();
    EXPECT_TRUE(window->autoCOM());
    EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("autoCOMMenuItem"))->isChecked());
    EXPECT_FALSE(chooserShown(*window));
    EXPECT_TRUE(clock.sleeps.empty());
    close(*window);
    EXPECT_EQ(ini().ReadString("COM", "AUTO", "-"), "1");

    settings("[COM]\nAUTO=0\nPORT=\n");
    window = start();
    EXPECT_TRUE(window->autoCOM());
    close(*window);
}

TEST_F(MainFormTest, ManualModeKeepsTheSavedPortEvenWhenItIsAbsent) {
    ports = {"ttyUSB0", "ttyS0", "ttyACM0"};
    // Every key as the close writes it: the file must come back byte for byte.
    const std::string saved = "[MainForm]\r\nHeight=775\r\nWidth=668\r\nTop=130\r\nLeft=200\r\n[GENERAL]\r\n"
                              "LANGUAGE=0\r\nSORTBYNAME=0\r\n[COM]\r\nAUTO=0\r\nPORT=ttyS9\r\n";
    settings(saved);
    auto window = start();
    EXPECT_FALSE(window->autoCOM());
    EXPECT_FALSE(window->findChild<QAction*>(QStringLiteral("autoCOMMenuItem"))->isChecked());
    EXPECT_TRUE(chooserShown(*window));
    EXPECT_EQ(clock.sleeps, (std::vector<int>{2000, 2000}));
    ASSERT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->count(), 4);
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->itemText(0), "ttyACM0");
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->itemText(2), "ttyUSB0");
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->currentText(),
              "ttyS9 (not present)");
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->currentPortName(), "ttyS9");
    EXPECT_EQ(window->comPort().PortName(), "ttyS9");
    EXPECT_TRUE(prompts.shown.empty());
    close(*window);
    EXPECT_EQ(TempDir::read(iniPath()), saved) << "an adapter unplugged at one start is not forgotten";

    settings("[COM]\nAUTO=0\nPORT=ttyS0\n");
    window = start();
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->currentText(), "ttyS0");
    EXPECT_EQ(window->comPort().PortName(), "ttyS0");
    EXPECT_TRUE(prompts.shown.empty());

    // Choosing another entry makes it the port name.
    window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->setCurrentIndex(0);
    window->ComComboBoxChange();
    EXPECT_EQ(window->comPort().PortName(), "ttyACM0");
    close(*window);
    EXPECT_EQ(ini().ReadString("COM", "PORT", ""), "ttyACM0");
}

// A dealer's /dev/serial/by-id link, or the demo's simulated machine, is a path the system's port list does
// not name: the manual port stays that path, listed and readable in the chooser.
TEST_F(MainFormTest, ManualModeKeepsASavedPortGivenByThePathOfADevice) {
    const std::string byId = dir.file("usb-Orvane_Service_Cable_A5069RR4-if00-port0");
    std::filesystem::create_symlink("/dev/null", byId); // any character device
    ports = {"ttyS0", "ttyUSB0"};
    settings("[COM]\nAUTO=0\nPORT=" + byId + "\n");
    auto window = start();
    window->show();
    EXPECT_FALSE(window->autoCOM());
    EXPECT_TRUE(prompts.shown.empty());
    ASSERT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->count(), 3);
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->currentText().toStdString(),
              byId);
    EXPECT_EQ(window->comPort().PortName(), byId);
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->toolTip().toStdString(), byId);
    EXPECT_GT(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->width(),
              TComComboBox::kNarrowWidth)
        << "wider for a path";
    EXPECT_LE(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->width(),
              TComComboBox::kWidestWidth);
    close(*window);
    EXPECT_EQ(ini().ReadString("COM", "PORT", ""), byId);

    // Unplugged at the next start: still the port, marked as not present, until the dealer chooses another.
    std::filesystem::remove(byId);
    window = start();
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->count(), 3);
    EXPECT_EQ(window->comPort().PortName(), byId);
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->currentPortName(), byId);
    close(*window);
    EXPECT_EQ(ini().ReadString("COM", "PORT", ""), byId);
}

TEST_F(MainFormTest, ManualModeWithoutPortsWarnsAndStaysManual) {
    settings("[GENERAL]\nLANGUAGE=0\n[COM]\nAUTO=0\nPORT=ttyS0\n");
    auto window = start();
    EXPECT_FALSE(window->autoCOM());
    EXPECT_EQ(clock.sleeps, (std::vector<int>{2000, 2000}));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Warning);
    EXPECT_EQ(prompts.shown[0].text, "No COM port found");
    EXPECT_EQ(prompts.shown[0].buttons, Prompts::Buttons::Ok);
    close(*window);
    EXPECT_NE(TempDir::read(logPath()).find(" : Starting program\r\n"), std::string::npos);
    EXPECT_NE(TempDir::read(logPath()).find(" : No COM port !\r\n"), std::string::npos);

    // Ports that cannot be listed count as none, without the first wait.
    enumerationFails = true;
    clock.sleeps.clear();
    prompts.shown.clear();
    window = start();
    EXPECT_EQ(clock.sleeps, (std::vector<int>{2000}));
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->count(), 1)
        << "the saved port alone";
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->presentCount(), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    close(*window);
}

TEST_F(MainFormTest, PortModeSwitch) {
    auto window = start();
    ASSERT_TRUE(window->autoCOM());

    // No port present: back to automatic, with an error box.
    window->autoCOMMenuItemClick();
    EXPECT_TRUE(window->autoCOM());
    EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("autoCOMMenuItem"))->isChecked());
    EXPECT_FALSE(chooserShown(*window));
    EXPECT_EQ(clock.sleeps, (std::vector<int>{500, 500, 500}));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Error);
    EXPECT_EQ(prompts.shown[0].text, "Pas de COM port disponible");

    // Ports present but none named yet: three fills, then the last port is taken.
    ports = {"ttyS1", "ttyS0"};
    clock.sleeps.clear();
    window->autoCOMMenuItemClick();
    EXPECT_FALSE(window->autoCOM());
    EXPECT_FALSE(window->findChild<QAction*>(QStringLiteral("autoCOMMenuItem"))->isChecked());
    EXPECT_TRUE(chooserShown(*window));
    EXPECT_EQ(clock.sleeps, (std::vector<int>{500, 500, 500}));
    EXPECT_EQ(window->comPort().PortName(), "ttyS1");
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->currentText(), "ttyS1");

    window->autoCOMMenuItemClick();
    EXPECT_TRUE(window->autoCOM());
    EXPECT_FALSE(chooserShown(*window));

    // The port name is listed now: one fill selects it.
    clock.sleeps.clear();
    window->autoCOMMenuItemClick();
    EXPECT_EQ(clock.sleeps, (std::vector<int>{500}));
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->currentText(), "ttyS1");
    EXPECT_EQ(prompts.shown.size(), 1u);

    // The menu item drives the same switch.
    window->findChild<QAction*>(QStringLiteral("autoCOMMenuItem"))->trigger();
    EXPECT_TRUE(window->autoCOM());
    EXPECT_TRUE(window->findChild<QAction*>(QStringLiteral("autoCOMMenuItem"))->isChecked());
    close(*window);
    EXPECT_EQ(ini().ReadString("COM", "AUTO", ""), "1");
    EXPECT_EQ(ini().ReadString("COM", "PORT", ""), "ttyS1");
}

TEST_F(MainFormTest, TheToolBarKeepsItsLayoutAndItsControlsAreWired) {
    ports = {"ttyS1", "ttyS0"};
    settings("[COM]\nAUTO=0\nPORT=ttyS0\n");
    auto window = start();
    window->show();
    EXPECT_EQ(window->findChild<QToolBar*>(QStringLiteral("ToolBar1"))->height(), 41);
    for (QToolButton* button : {window->findChild<QToolButton*>(QStringLiteral("upgradeToolButt")),
                                window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))}) {
        EXPECT_EQ(button->size(), QSize(31, 30));
        EXPECT_EQ(button->iconSize(), QSize(24, 24));
        EXPECT_FALSE(button->icon().pixmap(24, 24).isNull());
    }
    EXPECT_LT(window->findChild<QToolButton*>(QStringLiteral("upgradeToolButt"))->x(),
              window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->x());
    EXPECT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->width(), 97);
    EXPECT_GT(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->x(),
              window->findChild<QToolButton*>(QStringLiteral("uploadToolButt"))->x() + 31);

    // Picking an entry the way a user does reaches the port.
    ASSERT_EQ(window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->currentText(), "ttyS0");
    window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->setCurrentIndex(1);
    emit window->findChild<TComComboBox*>(QStringLiteral("ComComboBox"))->activated(1);
    EXPECT_EQ(window->comPort().PortName(), "ttyS1");

    // Cascade lays out the open windows; Exit closes the program through the normal close.
    auto* first = window->findChild<QMdiArea*>(QStringLiteral("mdiArea"))->addSubWindow(new QWidget);
    auto* second = window->findChild<QMdiArea*>(QStringLiteral("mdiArea"))->addSubWindow(new QWidget);
    first->show();
    second->show();
    first->showMaximized();
    window->findChild<QAction*>(QStringLiteral("cascMenuItem"))->trigger();
    EXPECT_FALSE(first->isMaximized());
    EXPECT_NE(first->pos(), second->pos());
    testing::internal::CaptureStdout();
    window->findChild<QAction*>(QStringLiteral("ExitMenuItem"))->trigger();
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(window->closed());
    EXPECT_EQ(ini().ReadString("COM", "PORT", ""), "ttyS1");
}

TEST_F(MainFormTest, LanguageItemsSwitchTheCatalogueButNotTheCaptions) {
    settings("[GENERAL]\nLANGUAGE=0\n");
    auto window = start();
    const auto items = window->findChild<QMenu*>(QStringLiteral("LanguageMenuItem"))->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), "English");
    EXPECT_EQ(items[1]->text(), "Français");
    EXPECT_EQ(items[2]->text(), "Nederlands");
    EXPECT_EQ(items[3]->text(), "Italiano");
    EXPECT_EQ(items[4]->text(), "Deutsch");
    for (QAction* item : items)
        EXPECT_FALSE(item->isCheckable());

    const std::pair<QAction*, int> codes[] = {
        {window->findChild<QAction*>(QStringLiteral("DutchMenuItem")), 3},
        {window->findChild<QAction*>(QStringLiteral("ItalianoMenuItem")), 2},
        {window->findChild<QAction*>(QStringLiteral("GermanMenuItem")), 4},
        {window->findChild<QAction*>(QStringLiteral("EnglishMenuItem")), 0},
        {window->findChild<QAction*>(QStringLiteral("FrenchMenuItem")), 1}};
    for (const auto& [item, code] : codes) {
        item->trigger();
        EXPECT_EQ(window->languageCode(), code) << item->text().toStdString();
        EXPECT_EQ(FXUStringTable::getInstance()->Language(), code);
    }
    EXPECT_EQ(window->findChild<QMenu*>(QStringLiteral("FileMenuItem"))->title(), "File")
        << "captions keep the start-up language";
    EXPECT_EQ(window->findChild<QRadioButton*>(QStringLiteral("NameRadioButt"))->text(), "By name");

    // The next message is in the new language.
    window->autoCOMMenuItemClick();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "Pas de COM port disponible");
    close(*window);
    EXPECT_EQ(ini().ReadString("GENERAL", "LANGUAGE", ""), "1");
}

TEST_F(MainFormTest, MachineWindowMenusMergeAfterWindow) {
    auto window = start();
    window->cascMenuItemClick(); // nothing to arrange: nothing happens
    EXPECT_EQ(menuBarTitles(*window), (std::vector<QString>{"Fichier", "Options", "Fenêtre"}));

    auto* child = new MergingChild;
    QMdiSubWindow* sub = window->findChild<QMdiArea*>(QStringLiteral("mdiArea"))->addSubWindow(child);
    sub->show();
    window->findChild<QMdiArea*>(QStringLiteral("mdiArea"))->setActiveSubWindow(sub);
    window->rebuildMenuBar();
    EXPECT_EQ(menuBarTitles(*window), (std::vector<QString>{"Fichier", "Options", "Fenêtre", "Edition"}));
    window->cascMenuItemClick();

    window->findChild<QMdiArea*>(QStringLiteral("mdiArea"))->removeSubWindow(sub);
    delete sub;
    window->rebuildMenuBar();
    EXPECT_EQ(menuBarTitles(*window), (std::vector<QString>{"Fichier", "Options", "Fenêtre"}));

    window->ExitMenuItemClick();
    EXPECT_TRUE(window->closed());
}

TEST_F(MainFormTest, TheDatabaseIsLoadedSortedAndTheOpenedMachinesSavedAtClose) {
    const std::string db = dir.file("db");
    ASSERT_EQ(DemoDatabase::Write(db, 6), 6);
    settings("[GENERAL]\nSORTBYNAME=1\n[FILEPATH]\nDBPATH=" + db + "\n");
    auto window = start();
    ASSERT_EQ(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().size(), 6u);
    EXPECT_TRUE(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->sortByName());
    EXPECT_TRUE(window->findChild<QRadioButton*>(QStringLiteral("NameRadioButt"))->isChecked());
    const auto& entries = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries();
    auto folded = [](const TDBMower* m) {
        return QString::fromLatin1(m->GetNameText().c_str()).toCaseFolded();
    };
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_LE(folded(entries[i - 1]).localeAwareCompare(folded(entries[i])), 0)
            << "sorted by name at start";
    window->findChild<QRadioButton*>(QStringLiteral("MachineIdRadioButt"))->click();
    EXPECT_FALSE(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->sortByName());

    // Only the machine whose window was opened is written at close.
    TDBMower* opened = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries()[0];
    TDBMower* untouched = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries()[1];
    const std::string untouchedBytes = TempDir::read(untouched->fileName());
    opened->OpenWindow();
    opened->GetMowerLog().SetName("Zed");
    untouched->GetMowerLog().SetName("Yves");
    const std::string openedPath = opened->fileName();
    close(*window);
    DBMowerFile reread;
    reread.SetFileName(openedPath);
    reread.LoadMachineFile();
    EXPECT_EQ(reread.mowerLog().name(), "Zed");
    EXPECT_EQ(TempDir::read(untouched->fileName()), untouchedBytes);
    EXPECT_EQ(ini().ReadString("GENERAL", "SORTBYNAME", "-"), "0");
    EXPECT_EQ(ini().ReadString("FILEPATH", "DBPATH", ""), db) << "never rewritten";
}

TEST_F(MainFormTest, AFiledRecordSurvivesAProgramThatNeverCloses) {
    const std::string db = dir.file("db");
    DemoDatabase::Write(db, 3);
    settings("[FILEPATH]\nDBPATH=" + db + "\n");
    auto window = start();
    TDBMower* machine = window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().front();
    ASSERT_TRUE(machine->Open());
    auto record = std::make_unique<FXULog>(*machine->GetMowerLog().records().rbegin()->second);
    record->SetLogTime(FXULogTime(2030, 1, 2, 3, 4, 5));
    ASSERT_EQ(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->InsertRecordBySerial(record),
              Filing::Saved);
    EXPECT_FALSE(record) << "the list took the record";
    // The process would be killed here: no close, no shutdown. The machine file already holds the record.
    DBMowerFile onDisk;
    onDisk.SetFileName(machine->fileName());
    onDisk.LoadMachineFile();
    EXPECT_NO_THROW(onDisk.mowerLog().Find(FXULogTime(2030, 1, 2, 3, 4, 5)));
}

TEST_F(MainFormTest, ADamagedCheckFileIsLoggedAndTheProgramRuns) {
    const std::string db = dir.file("db");
    DemoDatabase::Write(db, 2);
    TempDir::write(db + "/dbtisl.chk", "1234567");
    settings("[FILEPATH]\nDBPATH=" + db + "\n");
    auto window = start();
    // The machines of the folder are found all the same, and the damaged check file kept for support.
    EXPECT_EQ(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().size(), 2u);
    close(*window);
    const std::string log = TempDir::read(logPath());
    EXPECT_NE(log.find(" : no db checker file or corrupted\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" was missing from the check file: added back and loaded\r\n"), std::string::npos)
        << log;
    EXPECT_EQ(TempDir::read(db + "/dbtisl.chk.old"), "1234567");
    EXPECT_EQ(TempDir::read(db + "/dbtisl.chk").size(), 12u);
}

TEST_F(MainFormTest, ASecondCopyOnTheSameDatabaseTellsTheUserAndEnds) {
    const std::string db = dir.file("db");
    DemoDatabase::Write(db, 2);
    const std::string ini = "[GENERAL]\nLANGUAGE=4\n[FILEPATH]\nDBPATH=" + db + "\n";
    settings(ini);
    TempDir::write(db + "/.0001A2F3.dat.Ab12Z9", "another copy's save under way");
    // The first copy holds the database (a lock of its own, as a second process would see it).
    DatabaseLock first;
    ASSERT_EQ(first.Acquire(db), DatabaseLock::State::Held);

    auto window = start();
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].kind, Prompts::Kind::Error);
    EXPECT_EQ(prompts.shown[0].text,
              ProgramTexts::Text(ProgramTexts::Id::DatabaseInUseBy, 4, {db, std::to_string(::getpid())}));
    EXPECT_NE(prompts.shown[0].text.find("Datenbank"), std::string::npos) << "in the user's language";
    EXPECT_TRUE(window->closed()) << "this copy ends";
    EXPECT_TRUE(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().empty())
        << "and loads nothing";
    EXPECT_TRUE(std::filesystem::exists(db + "/.0001A2F3.dat.Ab12Z9")) << "not its to clean up";
    window->close();
    EXPECT_EQ(TempDir::read(iniPath()), ini) << "the settings are the other copy's";
    const std::string log = TempDir::read(logPath());
    EXPECT_NE(log.find(" : Database " + db + " is in use by another copy of the program (process " +
                       std::to_string(::getpid()) + "); not loaded\r\n"),
              std::string::npos)
        << log;
    window.reset();
    releaseSharedState();

    // Once the first copy has ended, the database is this one's.
    first.Release();
    prompts.shown.clear();
    window = start();
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(window->findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().size(), 2u);
    DatabaseLock third;
    EXPECT_EQ(third.Acquire(db), DatabaseLock::State::InUse) << "held while it runs";
    close(*window);
    EXPECT_EQ(third.Acquire(db), DatabaseLock::State::Held) << "let go at its close";
}

TEST_F(MainFormTest, TemporariesOfInterruptedSavesAreRemovedAtStart) {
    const std::string db = dir.file("db");
    DemoDatabase::Write(db, 1);
    settings("[FILEPATH]\nDBPATH=" + db + "\n");
    const std::vector<std::string> leftovers = {db + "/.0001A2F3.dat.Ab12Z9", db + "/.dbtisl.chk.x1Y2z3",
                                                dir.file(".orvane-service-kit.INI.Qw12Er"),
                                                dir.file(".orvane-service-kit.log.000000")};
    const std::vector<std::string> others = {db + "/.notes.txt.Ab12Z9", db + "/.0001A2F3.dat.old",
                                             db + "/.0001a2f3.dat.Ab12Z9", dir.file(".other.INI.Qw12Er"),
                                             db + "/0001A2F3.dat.Ab12Z9"};
    for (const std::string& file : leftovers)
        TempDir::write(file, "x");
    for (const std::string& file : others)
        TempDir::write(file, "kept");
    auto window = start();
    for (const std::string& file : leftovers)
        EXPECT_FALSE(std::filesystem::exists(file)) << file;
    for (const std::string& file : others)
        EXPECT_EQ(TempDir::read(file), "kept") << file;
    std::vector<std::string> lines;
    for (const LogEntry& entry : CLogger::getInstance()->entries())
        lines.push_back(entry.text);
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "Removed 2 temporary files left by interrupted saves in " + db),
        lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Removed 2 temporary files left by interrupted saves in " + dir.path().string()),
              lines.end());
    close(*window);
}
