#pragma once

#include <QString>
#include <QWidget>
#include <array>

class FXULog;
class FXUStringTable;
class Prompts;
class QFrame;
class QGroupBox;
class QPlainTextEdit;
class QTabWidget;
class THistGrid;
class TMachineInfoPage;
class TRestingTimePage;
class TStringGrid;

// One history record shown as a page of the machine window's page control, with four pages of its own:
// "Machine information", "Resting Time", "History" and "System parameters". It reads the record and
// changes nothing in it but the comment, and only when StoreComment is called.
//
// A machine may have a hundred records: the tab builds its contents when it is first shown, and each of
// its pages when that page is first shown (or when one of them is asked for below).
class TFXULogTab : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPages = 4;
    static constexpr int kMaxCommentLength = 255; // what may be typed; a line break counts as two
    static const char* const kRestingTimeCaption;

    // Becomes the last page of Owner, captioned with the record's time. Both must be present.
    TFXULogTab(FXULog* log, QTabWidget* Owner, Prompts& prompts);

    // Writes the editor's text into the record: Windows-1252, every line ended by CR LF. A tab never
    // shown stores its record's comment as the editor would have shown it.
    void StoreComment();

    FXULog* record() const { return log_; }
    bool isBuilt() const { return innerPages_ != nullptr; }
    bool isPageBuilt(int page) const { return built_.at(static_cast<std::size_t>(page)); }

    QTabWidget* innerPages();
    TMachineInfoPage* machineInformation();
    TRestingTimePage* restingTime();
    THistGrid* historyGrid();
    TStringGrid* systemParameterList();
    QPlainTextEdit* commentEditor();
    QGroupBox* commentGroupBox();
    // P0 fills page 1; P1 to P10 share it.
    QFrame* panel(int index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void buildPage(int index);
    void buildSystemParameterList(QWidget* page);
    void hookCommentEditor();
    // The editor's text as stored lines would give it back, or nothing when a character cannot be stored.
    QString editorText() const;
    void commentChanged();

    FXULog* log_;
    Prompts& prompts_;
    FXUStringTable* catalogue_;
    int textLanguage_; // of the catalogue when the tab was made
    QTabWidget* innerPages_ = nullptr;
    std::array<bool, kPages> built_{};
    TMachineInfoPage* machineInformation_ = nullptr;
    TRestingTimePage* restingTime_ = nullptr;
    THistGrid* historyGrid_ = nullptr;
    TStringGrid* systemParameters_ = nullptr;
    QPlainTextEdit* commentEditor_ = nullptr;
    QString acceptedComment_; // the editor's text before the change being checked
    int changePosition_ = 0;
    bool restoring_ = false;
};
