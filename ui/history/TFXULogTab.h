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

// One history record shown as a page of the machine window's page control. It reads the record and
// changes nothing in it but the comment, and only when StoreComment is called.
class TFXULogTab : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPanels = 3;
    static constexpr int kMaxCommentLength = 255; // what may be typed; a line break counts as two
    static const char* const kRestingTimeCaption;

    // Becomes the last page of Owner, captioned with the record's time. Both must be present.
    TFXULogTab(FXULog* log, QTabWidget* Owner, Prompts& prompts);

    // Writes the editor's text into the record: Windows-1252, every line ended by CR LF.
    void StoreComment();

    FXULog* record() const { return log_; }
    QTabWidget* innerPages() const { return innerPages_; }
    QPlainTextEdit* commentEditor() const { return commentEditor_; }
    QGroupBox* commentGroupBox() const { return commentGroupBox_; }
    // P0 fills page 1; P1 (top) and P2 (bottom, the comment) share it.
    QFrame* panel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Direction { Horizontal, Vertical };

    void buildPages();
    void buildPanels();
    void buildCommentBox();
    void layoutPanels();
    static void splitPanel(QFrame* parent, QFrame* first, QFrame* second, int firstBorder, int secondBorder,
                           int percent, Direction direction);
    // The editor's text as stored lines would give it back, or nothing when a character cannot be stored.
    QString editorText() const;
    void commentChanged();

    FXULog* log_;
    Prompts& prompts_;
    FXUStringTable* catalogue_;
    QTabWidget* innerPages_ = nullptr;
    std::array<QFrame*, kPanels> panels_{};
    QGroupBox* commentGroupBox_ = nullptr;
    QPlainTextEdit* commentEditor_ = nullptr;
    QString acceptedComment_; // the editor's text before the change being checked
    int changePosition_ = 0;
    bool restoring_ = false;
};
