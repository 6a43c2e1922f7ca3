#include "ui/history/TFXULogTab.h"

#include "core/base/Assert.h"
#include "core/base/Prompts.h"
#include "core/history/FXULog.h"
#include "core/historyview/FXUOverviewTables.h"
#include "core/i18n/FXUStringTable.h"
#include "ui/WinText.h"
#include "ui/history/THistGrid.h"
#include "ui/history/TMachineInfoPage.h"
#include "ui/history/TRestingTimePage.h"
#include "ui/history/TStringGrid.h"

#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
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
constexpr int kListFontPixels = 12;
constexpr int kListRowHeight = 16;
constexpr int kListKeyWidth = 60;

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

// While a tab builds what it shows, the catalogue speaks the language it spoke when the tab was made:
// a tab built late looks as it would have looked built at once.
class LanguageAsMade {
public:
    LanguageAsMade(FXUStringTable& catalogue, int textLanguage)
        : catalogue_(catalogue), language_(catalogue.Language()), textLanguage_(catalogue.TextLanguage()),
          switched_(textLanguage != textLanguage_) {
        if (switched_)
            catalogue_.SetLanguage(static_cast<std::uint8_t>(textLanguage));
    }
    ~LanguageAsMade() {
        if (!switched_)
            return;
        catalogue_.SetLanguage(static_cast<std::uint8_t>(textLanguage_));
        if (language_ != textLanguage_) // a number beyond the languages, which keeps the texts in force
            catalogue_.SetLanguage(language_);
    }
    LanguageAsMade(const LanguageAsMade&) = delete;
    LanguageAsMade& operator=(const LanguageAsMade&) = delete;

private:
    FXUStringTable& catalogue_;
    std::uint8_t language_;
    int textLanguage_;
    bool switched_;
};

} // namespace

const char* const TFXULogTab::kRestingTimeCaption = "Resting Time";

TFXULogTab::TFXULogTab(FXULog* log, QTabWidget* Owner, Prompts& prompts)
    : QWidget(Owner), log_(log), prompts_(prompts), catalogue_(FXUStringTable::getInstance()),
      textLanguage_(catalogue_->TextLanguage()) {
    // clang-format off
    OSK_ASSERT(log!=NULL, "Class/FXULogTab"); // the texts are what the assertions print
    OSK_ASSERT(Owner!=NULL, "Class/FXULogTab");
    // clang-format on
    Owner->addTab(this, QString::fromStdString(log->logTime().tabTitle()));
}

void TFXULogTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    build();
}

void TFXULogTab::build() {
    if (innerPages_)
        return;
    const LanguageAsMade language(*catalogue_, textLanguage_);
    log_->Decode();
    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    innerPages_ = new QTabWidget(this);
    fill->addWidget(innerPages_);

    auto caption = [this](TextId id) { return WinText::toQt(catalogue_->Text(id)); };
    const QString captions[kPages] = {caption(TextId::MachineInformationPage),
                                      QString::fromLatin1(kRestingTimeCaption), caption(TextId::HistoryPage),
                                      caption(TextId::SystemParametersPage)};
    for (const QString& text : captions) {
        auto* page = new QWidget(innerPages_);
        auto* border = new QVBoxLayout(page);
        border->setContentsMargins(kPageBorder, kPageBorder, kPageBorder, kPageBorder);
        innerPages_->addTab(page, text);
    }
    buildPage(0);
    innerPages_->setCurrentIndex(0);
    connect(innerPages_, &QTabWidget::currentChanged, this, &TFXULogTab::buildPage);
    innerPages_->show();
}

void TFXULogTab::buildPage(int index) {
    if (index < 0 || index >= kPages)
        return;
    build(); // which builds page 1
    if (built_[static_cast<std::size_t>(index)])
        return;
    const LanguageAsMade language(*catalogue_, textLanguage_);
    built_[static_cast<std::size_t>(index)] = true;
    QWidget* page = innerPages_->widget(index);
    QWidget* content = nullptr;
    switch (index) {
    case 0:
        content = machineInformation_ = new TMachineInfoPage(*log_, page);
        hookCommentEditor();
        break;
    case 1:
        content = restingTime_ = new TRestingTimePage(*log_, page);
        break;
    case 2:
        content = historyGrid_ = new THistGrid(page);
        historyGrid_->fill(*log_);
        break;
    default:
        buildSystemParameterList(page);
        content = systemParameters_;
        break;
    }
    page->layout()->addWidget(content);
    page->layout()->activate(); // sized before it is shown, so the event list opens where it should
    content->show();
}

void TFXULogTab::buildSystemParameterList(QWidget* page) {
    const auto rows = FXUOverviewTables::SystemParameters(*log_);
    systemParameters_ = new TStringGrid(page);
    QFont small = systemParameters_->font();
    small.setPixelSize(kListFontPixels);
    systemParameters_->setFont(small);
    systemParameters_->setShape(2, static_cast<int>(rows.size()) + 1, 0, 1);
    systemParameters_->setDefaultRowHeight(kListRowHeight);
    systemParameters_->setColWidth(0, kListKeyWidth);
    systemParameters_->horizontalHeader()->setStretchLastSection(true);
    int row = 1;
    for (const auto& [key, value] : rows) {
        systemParameters_->setCell(0, row, WinText::toQt(key));
        systemParameters_->setCell(1, row, WinText::toQt(value));
        ++row;
    }
}

void TFXULogTab::hookCommentEditor() {
    commentEditor_ = machineInformation_->commentEditor();
    commentEditor_->setPlainText(WinText::toQt(log_->comment()));
    acceptedComment_ = editorText();
    connect(commentEditor_->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int) { changePosition_ = position; });
    connect(commentEditor_, &QPlainTextEdit::textChanged, this, &TFXULogTab::commentChanged);
}

QTabWidget* TFXULogTab::innerPages() {
    build();
    return innerPages_;
}

TMachineInfoPage* TFXULogTab::machineInformation() {
    buildPage(0);
    return machineInformation_;
}

TRestingTimePage* TFXULogTab::restingTime() {
    buildPage(1);
    return restingTime_;
}

THistGrid* TFXULogTab::historyGrid() {
    buildPage(2);
    return historyGrid_;
}

TStringGrid* TFXULogTab::systemParameterList() {
    buildPage(3);
    return systemParameters_;
}

QPlainTextEdit* TFXULogTab::commentEditor() {
    buildPage(0);
    return commentEditor_;
}

QGroupBox* TFXULogTab::commentGroupBox() {
    return machineInformation()->commentGroupBox();
}

QFrame* TFXULogTab::panel(int index) {
    return machineInformation()->panel(index);
}

QString TFXULogTab::editorText() const {
    if (commentEditor_)
        return WinText::typedText(*commentEditor_->document());
    // What the editor would show, without making one.
    QTextDocument document;
    document.setPlainText(WinText::toQt(log_->comment()));
    return WinText::typedText(document);
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
                         catalogue_->Text(TextId::Comments) + kUnstorableBefore + codePointName(unstorable) +
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
