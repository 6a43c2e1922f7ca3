#include "ui/history/TFXULogTab.h"

#include "core/base/Assert.h"
#include "core/base/Prompts.h"
#include "core/history/FXULog.h"
#include "core/i18n/FXUStringTable.h"
#include "ui/WinText.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

namespace {

constexpr int kPageBorder = 5;

// The catalogue has no text for it; the field is named by its catalogue caption.
const char* const kUnstorableBefore = ": the character ";
const char* const kUnstorableAfter = " cannot be stored in the machine file; it was not accepted.";

std::string codePointName(char32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

// The first character of the text that Windows-1252 cannot hold.
char32_t firstUnstorable(const QString& text) {
    for (char32_t c : text.toUcs4())
        if (!WinText::fromQt(QString::fromUcs4(&c, 1)))
            return c;
    return 0;
}

// How the stored text counts: a line break becomes CR LF.
qsizetype typedLength(const QString& text) {
    return text.size() + text.count(QLatin1Char('\n'));
}

} // namespace

const char* const TFXULogTab::kRestingTimeCaption = "Resting Time";

TFXULogTab::TFXULogTab(FXULog* log, QTabWidget* Owner, Prompts& prompts)
    : QWidget(Owner), log_(log), prompts_(prompts), catalogue_(FXUStringTable::getInstance()) {
    // clang-format off
    OSK_ASSERT(log!=NULL, "Class/FXULogTab"); // the texts are what the assertions print
    OSK_ASSERT(Owner!=NULL, "Class/FXULogTab");
    // clang-format on
    Owner->addTab(this, QString::fromStdString(log->logTime().tabTitle()));

    buildPages();
    buildPanels();
    buildCommentBox();
    layoutPanels();
    innerPages_->setCurrentIndex(0);
}

void TFXULogTab::buildPages() {
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    innerPages_ = new QTabWidget(this);
    fill->addWidget(innerPages_);

    auto caption = [this](int id) { return WinText::toQt(catalogue_->Text(static_cast<std::uint16_t>(id))); };
    const QString captions[] = {caption(80), QString::fromLatin1(kRestingTimeCaption), caption(81),
                                caption(82)};
    for (const QString& text : captions) {
        auto* page = new QWidget(innerPages_);
        auto* border = new QVBoxLayout(page);
        border->setContentsMargins(kPageBorder, kPageBorder, kPageBorder, kPageBorder);
        innerPages_->addTab(page, text);
    }
}

void TFXULogTab::buildPanels() {
    QWidget* page = innerPages_->widget(0);
    QFrame* p0 = new QFrame(page);
    p0->setFrameStyle(QFrame::NoFrame);
    page->layout()->addWidget(p0);
    panels_[0] = p0;
    // Placed by layoutPanels, not by a layout: their shares of P0 are fixed percentages.
    for (int i = 1; i < kPanels; ++i)
        panels_[static_cast<std::size_t>(i)] = new QFrame(p0);
    p0->installEventFilter(this);
    p0->show();
}

void TFXULogTab::buildCommentBox() {
    QFrame* p2 = panel(2);
    auto* fillPanel = new QVBoxLayout(p2);
    fillPanel->setContentsMargins(0, 0, 0, 0);
    commentGroupBox_ = new QGroupBox(WinText::toQt(catalogue_->Text(97)), p2);
    fillPanel->addWidget(commentGroupBox_);
    auto* fillBox = new QVBoxLayout(commentGroupBox_);
    commentEditor_ = new QPlainTextEdit(commentGroupBox_);
    fillBox->addWidget(commentEditor_);

    commentEditor_->setPlainText(WinText::toQt(log_->comment()));
    acceptedComment_ = editorText();
    connect(commentEditor_->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int) { changePosition_ = position; });
    connect(commentEditor_, &QPlainTextEdit::textChanged, this, &TFXULogTab::commentChanged);
}

bool TFXULogTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panels_[0] && event->type() == QEvent::Resize)
        layoutPanels();
    return QWidget::eventFilter(watched, event);
}

void TFXULogTab::layoutPanels() {
    splitPanel(panel(0), panel(1), panel(2), 2, 2, 70, Direction::Vertical);
}

void TFXULogTab::splitPanel(QFrame* parent, QFrame* first, QFrame* second, int firstBorder, int secondBorder,
                            int percent, Direction direction) {
    const int b = parent->contentsRect().left();
    const QPoint origin = parent->contentsRect().topLeft();
    const int width = parent->width() - b;
    const int height = parent->height() - b;
    if (direction == Direction::Horizontal) {
        const int firstWidth = percent * width / 100;
        first->setGeometry(origin.x(), origin.y(), firstWidth, height);
        second->setGeometry(origin.x() + firstWidth, origin.y(), width - firstWidth, height);
    } else {
        const int firstHeight = percent * height / 100;
        first->setGeometry(origin.x(), origin.y(), width, firstHeight);
        second->setGeometry(origin.x(), origin.y() + firstHeight, width, height - firstHeight);
    }
    for (auto [child, border] : {std::pair{first, firstBorder}, std::pair{second, secondBorder}}) {
        // A thin line, then space up to the border width: a thick black line would dominate the page.
        const int inside = std::max(0, border - 1);
        child->setFrameStyle(border < 0 ? QFrame::NoFrame : QFrame::Box | QFrame::Plain);
        child->setLineWidth(border < 0 ? 0 : 1);
        child->setContentsMargins(inside, inside, inside, inside);
    }
}

QString TFXULogTab::editorText() const {
    return WinText::typedText(*commentEditor_);
}

void TFXULogTab::commentChanged() {
    if (restoring_)
        return;
    const QString text = editorText();
    const char32_t unstorable = firstUnstorable(text);
    const bool tooLong =
        typedLength(text) > kMaxCommentLength && typedLength(text) > typedLength(acceptedComment_);
    if (unstorable == 0 && !tooLong) {
        acceptedComment_ = text;
        return;
    }

    // Refused as it is typed, so that what is stored is always what the user sees.
    const int position = changePosition_; // setPlainText reports a change of its own
    restoring_ = true;
    commentEditor_->setPlainText(acceptedComment_);
    QTextCursor cursor = commentEditor_->textCursor();
    cursor.setPosition(std::min(position, commentEditor_->document()->characterCount() - 1));
    commentEditor_->setTextCursor(cursor);
    restoring_ = false;

    if (unstorable != 0)
        prompts_.message(Prompts::Kind::Error,
                         catalogue_->Text(97) + kUnstorableBefore + codePointName(unstorable) +
                             kUnstorableAfter,
                         Prompts::Buttons::Ok);
}

void TFXULogTab::StoreComment() {
    const std::optional<std::string> stored = WinText::fromQt(editorText());
    // commentChanged refuses every character that could reach here unstorable.
    OSK_ASSERT(stored.has_value(), "Class/FXULogTab");
    std::string comment;
    std::size_t start = 0;
    while (start < stored->size()) {
        const std::size_t end = stored->find('\n', start);
        if (end == std::string::npos) {
            comment += stored->substr(start) + "\r\n";
            break;
        }
        comment += stored->substr(start, end - start) + "\r\n";
        start = end + 1;
    }
    log_->SetComment(std::move(comment));
}
