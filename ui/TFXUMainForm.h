#pragma once

#include "core/history/DownloadedHistory.h"
#include "core/i18n/TextId.h"

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class AppSettings;
class CentralStoreLink;
class CLogger;
class ProgramSession;
class Clock;
class DatabaseImport;
class FXUStringTable;
class FirmwareUpgrade;
class HistoryDownload;
class LastFolderPrompts;
class MachineLink;
class Port;
class Prompts;
class QMessageBox;
class QtStandardTexts;
class TComComboBox;
class FXULog;
class FXUMowerLog;
class MachineFindBar;
class TDBMowerList;
class QAction;
class QFrame;
class QGroupBox;
class QMdiArea;
class QMenu;
class QRadioButton;
class QToolBar;
class QToolButton;

// The program's only top-level window: machine windows inside, the machine-link commands on the tool
// bar, the machine list on the left. Its construction is the program's start-up, its close the shutdown.
class TFXUMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Menu groups: a machine window's own menus are merged in after "Window" (group 12).
    static constexpr int kFileGroup = 1;
    static constexpr int kToolGroup = 2;
    static constexpr int kWindowGroup = 3;
    // The import dialog, preset to its third entry by both imports.
    static constexpr const char* kImportFilter = "database|*.dat|history|*.bin|All files|*.*";
    static constexpr int kImportFilterIndex = 3;

    TFXUMainForm(const std::string& programPath, std::unique_ptr<Port> comPort, Clock& clock,
                 Prompts& prompts, QWidget* parent = nullptr);
    ~TFXUMainForm() override;

    std::uint8_t languageCode() const { return languageCode_; }
    bool autoCOM() const { return autoCOM_; }
    bool sortByName() const;
    Port& comPort() const { return *ComPort_; }
    // True as well when the start was refused (the database is in use by another copy): the window is
    // then not to be shown.
    bool closed() const { return closed_; }
    // A port scan, history download or upgrade is running; the window cannot be closed meanwhile.
    bool operationRunning() const { return operationRunning_; }
    // The info frame and history buffers of the last download. A history file import fills them the same
    // way, then calls storeHistory.
    DownloadedHistory& downloadedHistory() { return history_; }
    // Files the record the buffers make under the machine with its serial number, or through the insert
    // and create dialogs when no machine has it.
    void storeHistory();
    // A machine file (.dat) merged into the database or added to it; true when it was.
    bool ImportDatabaseFile(const std::string& path);
    // Fills the download buffers from a history file (.bin) as a serial download would, time included.
    bool LoadBinFile(const std::string& path);
    // The folder the next file dialog opens in: the last one a file was chosen from.
    const std::string& lastFolder() const;
    // Rebuilds the menu bar from this window's menus and the active machine window's, by group index.
    void rebuildMenuBar();
    // The program is to close (a signal came): a download whose dialog that closes is kept, not dropped.
    void noteCloseRequested() { closeRequested_ = true; }
    // Beside the settings file: the histories whose machine file could not be written.
    static constexpr const char* kUnsavedFolder = "unsaved";

    // Components, named as the rest of the program refers to them.

public slots:
    void updateMenuItemClick();
    void loadHistMenuItemClick();
    void ImportMenuItemClick();
    void ImportBinMenuItemClick();
    void SynchroniseMenuItemClick();
    // Files dropped onto the machine list, each imported as if chosen in the import dialog.
    void importDroppedFiles(const QStringList& paths);
    void ExitMenuItemClick();
    void cascMenuItemClick();
    void autoCOMMenuItemClick();
    void ComComboBoxChange();
    void EnglishMenuItemClick() { selectLanguage(0); }
    void FrenchMenuItemClick() { selectLanguage(1); }
    void ItalianoMenuItemClick() { selectLanguage(2); }
    void DutchMenuItemClick() { selectLanguage(3); }
    void GermanMenuItemClick() { selectLanguage(4); }
    void NameRadioButtClick();
    void MachineIdRadioButtClick();
    // The record's service report: the workshop asked for (kept in the settings), then printed or saved.
    void serviceReport(const FXUMowerLog* machine, const FXULog* record);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void nameParts();
    void buildMenus();
    void buildToolBar();
    void buildPanel();
    void applyGeometry();
    void setCaptions();
    void choosePortAtStart();
    void selectLanguage(std::uint8_t code);
    // The shutdown; false, with everything still in place, when the dealer keeps the program open because a
    // machine file could not be written.
    bool FormClose();
    void showPortChooser();
    void refuseStart();
    std::string text(TextId id) const;
    void buildLink();
    bool beginOperation();
    void refuseClose();
    std::optional<std::string> chooseImportFile(TextId captionId);

    std::unique_ptr<Port> ComPort_;
    Clock& clock_;
    // Every prompt goes through it, so that each file dialog opens where the last one chose a file.
    std::unique_ptr<LastFolderPrompts> dialogs_;
    Prompts& prompts_;
    std::unique_ptr<ProgramSession> session_; // the log, the settings and the database lock of this run
    AppSettings* settings_ = nullptr;
    std::string startFolder_; // the last folder as the settings held it
    CLogger* logger_ = nullptr;
    FXUStringTable* catalogue_ = nullptr;
    std::uint8_t languageCode_ = 1;
    bool autoCOM_ = true;
    bool closed_ = false;
    bool closing_ = false;
    bool operationRunning_ = false;
    bool closeRequested_ = false;
    DownloadedHistory history_;
    std::unique_ptr<MachineLink> link_;
    std::unique_ptr<HistoryDownload> download_;
    std::unique_ptr<FirmwareUpgrade> upgrade_;
    std::unique_ptr<DatabaseImport> import_;
    std::unique_ptr<QtStandardTexts> qtTexts_;
    std::unique_ptr<CentralStoreLink> central_; // none until the database is loaded
    std::vector<std::pair<int, QMenu*>> ownMenus_;

    // The window's parts, each named after its member (tests find them by that name).
    QToolBar* ToolBar1 = nullptr;
    QToolButton* upgradeToolButt = nullptr;
    QToolButton* uploadToolButt = nullptr;
    TComComboBox* ComComboBox = nullptr;
    QAction* ComComboBoxAction = nullptr; // a tool bar widget is shown and hidden through its action
    QFrame* Panel1 = nullptr;
    QGroupBox* dbMLGroupBox = nullptr;
    QRadioButton* MachineIdRadioButt = nullptr;
    QRadioButton* NameRadioButt = nullptr;
    QMdiArea* mdiArea = nullptr;
    TDBMowerList* machineList = nullptr;
    MachineFindBar* findBar_ = nullptr;
    QMenu* FileMenuItem = nullptr;
    QAction* ImportMenuItem = nullptr;
    QAction* ImportBinMenuItem = nullptr;
    QAction* SynchroniseMenuItem = nullptr;
    QAction* ExitMenuItem = nullptr;
    QMenu* ToolMenuItem = nullptr;
    QAction* autoCOMMenuItem = nullptr;
    QMenu* LanguageMenuItem = nullptr;
    QAction* EnglishMenuItem = nullptr;
    QAction* FrenchMenuItem = nullptr;
    QAction* DutchMenuItem = nullptr;
    QAction* ItalianoMenuItem = nullptr;
    QAction* GermanMenuItem = nullptr;
    QMenu* WindowMenuItem = nullptr;
    QAction* cascMenuItem = nullptr;
    QMessageBox* closeRefusedBox = nullptr; // shown, without waiting, when a close comes during an operation
};
