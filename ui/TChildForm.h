#pragma once

#include "core/i18n/TextId.h"
#include "ui/MenuMergeSource.h"

#include <QPoint>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Declared only: moc here reads headers as C++17 and cannot parse the C++20 headers the time needs.
struct FXULogTime;
class FXULog;
class FXUMowerLog;
class FXUStringTable;
class MachineDirectory;
class Prompts;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QTabWidget;
class QToolButton;
class TTrendsPage;
class TFXULogTab;

// The window of one machine inside the main window: owner data and machine identity on the left, one
// tab per history record on the right. It works on the machine list's collection without owning it, and
// lives until shutdown: closing it only minimises it.
class TChildForm : public QWidget, public MenuMergeSource {
    Q_OBJECT
public:
    static constexpr int kMenuGroup = 12;
    // Its size when not maximised.
    static constexpr int kNormalWidth = 816;
    static constexpr int kNormalHeight = 665;

    TChildForm(FXUMowerLog& machine, const std::string& path, MachineDirectory& directory, Prompts& prompts,
               QWidget* parent = nullptr);

    void refreshInfo();
    void ShowRecord(const FXULogTime& time);
    void StoreEdits();
    std::vector<std::pair<int, QMenu*>> mergedMenus() const override;

    FXUMowerLog& machine() const { return machine_; }
    const std::string& path() const { return path_; }
    QTabWidget* MainLogPageControl() const { return MainLogPageControl_; }
    TFXULogTab* tab(int index) const;

    // Opening a pop-up menu waits for the user; tests put something else in its place.
    using PopupRunner = std::function<void(QMenu& menu, const QPoint& globalPos)>;
    void setPopupRunner(PopupRunner runner) { popupRunner_ = std::move(runner); }

public slots:
    void changeOwnerDataClick();
    // Right click at pos (page control coordinates): activates the tab under it and offers "delete".
    void tabsContextPopup(const QPoint& pos);
    void deleteRecordClick();
    // "Service report...": the shown record's report, made by whoever listens.
    void serviceReportClick();
    // The "Trends" button beside the record tabs: the chart over the pages, or the pages again.
    void showTrends(bool shown);

signals:
    void serviceReportRequested(const FXUMowerLog* machine, const FXULog* record);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildInfoPanel();
    void buildPageControl();
    void buildMenus();
    void setCaptions();
    QString text(TextId id) const;
    void updateTrends();
    void placeTrends();
    bool eventFilter(QObject* watched, QEvent* event) override;

    FXUMowerLog& machine_;
    std::string path_;
    MachineDirectory& directory_;
    Prompts& prompts_;
    QTabWidget* MainLogPageControl_ = nullptr;
    FXUStringTable* catalogue_ = nullptr;
    PopupRunner popupRunner_;

public:
    // Components, named as elsewhere in the program.
    QGroupBox* GeneralInfoGroupBox = nullptr;
    QGroupBox* clientRefGroupBox = nullptr;
    QLabel* nameStaticText = nullptr;
    QLabel* ONameLabel = nullptr;
    QLabel* surnameStaticText = nullptr;
    QLabel* OSurnameLabel = nullptr;
    QLabel* adressStaticText = nullptr;
    QLabel* OAddressLabel = nullptr;
    QGroupBox* machineInfoGroupBox = nullptr;
    QLabel* MNBStaticText = nullptr;
    QLabel* MNBLabel = nullptr;
    QLabel* SNBStaticText = nullptr;
    QLabel* SNBLabel = nullptr;
    QLabel* softVerStaticText = nullptr;
    QLabel* SoftVerLabel = nullptr;
    QLabel* bootVerStaticText = nullptr;
    QLabel* BootVerLabel = nullptr;
    QMenu* Outils1 = nullptr;
    QAction* changeOwnerData = nullptr;
    QAction* reportMenuItem = nullptr;
    QMenu* tabPopupMenu = nullptr;
    QAction* deleteItem = nullptr;
    QAction* reportItem = nullptr;
    QToolButton* trendsButton = nullptr; // shown for machines with two records or more
    TTrendsPage* trendsPage = nullptr;   // made when first shown
};
