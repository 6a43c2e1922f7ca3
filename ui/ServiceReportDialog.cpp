#include "ui/ServiceReportDialog.h"

#include "core/base/Prompts.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/WinText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString text(ProgramTexts::Id id) {
    return WinText::toQt(ProgramTexts::Text(id));
}

} // namespace

ServiceReportDialog::ServiceReportDialog(const std::string& name, const std::string& address,
                                         Prompts& prompts, QWidget* parent)
    : QDialog(parent), prompts_(prompts), name_(new QLineEdit(this)), address_(new QPlainTextEdit(this)),
      nameText_(name), addressText_(address) {
    setWindowTitle(text(ProgramTexts::Id::ServiceReportTitle));
    auto* column = new QVBoxLayout(this);
    auto* question = new QLabel(text(ProgramTexts::Id::WorkshopQuestion), this);
    question->setWordWrap(true);
    column->addWidget(question);
    auto* form = new QFormLayout;
    name_->setText(WinText::toQt(name));
    address_->setPlainText(WinText::toQt(address));
    address_->setFixedHeight(address_->fontMetrics().lineSpacing() * 5);
    form->addRow(text(ProgramTexts::Id::WorkshopNameCaption), name_);
    form->addRow(text(ProgramTexts::Id::WorkshopAddressCaption), address_);
    column->addLayout(form);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* print =
        buttons->addButton(text(ProgramTexts::Id::ReportPrint), QDialogButtonBox::AcceptRole);
    QPushButton* pdf =
        buttons->addButton(text(ProgramTexts::Id::ReportSavePdf), QDialogButtonBox::AcceptRole);
    buttons->addButton(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::CancelButton)),
                       QDialogButtonBox::RejectRole);
    pdf->setDefault(true);
    connect(print, &QPushButton::clicked, this, [this] { finish(Print); });
    connect(pdf, &QPushButton::clicked, this, [this] { finish(SavePdf); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
    if (name.empty())
        name_->setFocus();
}

bool ServiceReportDialog::finish(Choice choice) {
    const std::pair<QString, ProgramTexts::Id> fields[] = {
        {name_->text(), ProgramTexts::Id::WorkshopNameCaption},
        {WinText::typedText(*address_), ProgramTexts::Id::WorkshopAddressCaption}};
    std::string stored[2];
    for (int i = 0; i < 2; ++i) {
        const auto bytes = WinText::fromQt(fields[i].first);
        if (!bytes) {
            // The character itself cannot be shown in the message either, so it is named by its code.
            QString code;
            for (const char32_t character : fields[i].first.toUcs4())
                if (!WinText::fromQt(QString::fromUcs4(&character, 1))) {
                    code = QStringLiteral("U+%1")
                               .arg(static_cast<uint>(character), 4, 16, QChar(u'0'))
                               .toUpper();
                    break;
                }
            prompts_.message(Prompts::Kind::Error,
                             ProgramTexts::Text(ProgramTexts::Id::UnholdableCharacter,
                                                {ProgramTexts::Text(fields[i].second), code.toStdString()}),
                             Prompts::Buttons::Ok);
            return false;
        }
        stored[i] = *bytes;
    }
    nameText_ = stored[0];
    addressText_ = stored[1];
    done(choice);
    return true;
}
