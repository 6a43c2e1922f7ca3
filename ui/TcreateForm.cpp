#include "ui/TcreateForm.h"

#include "core/base/Prompts.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/FXUStringTable.h"
#include "ui/MachineDirectory.h"
#include "ui/MachineTypeTable.h"
#include "ui/WinText.h"

#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// The memo's lines as a list box would count them: no text is no line, and a closing line break does not
// start another line.
QStringList memoLines(const QString& text) {
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

TcreateForm::TcreateForm(QWidget* owner, std::uint8_t typeCode, std::unique_ptr<FXULog>& record,
                         MachineDirectory& directory, Prompts& prompts)
    : OwnerDataDialog(owner), createButt(new QPushButton(this)), typeCode_(typeCode), record_(record),
      directory_(directory), prompts_(prompts) {
    // The type comes from the record; it is shown, not chosen, but must stay readable.
    mowerTypeComboBox->setCurrentIndex(MachineTypeTable::itemForCode(typeCode_));
    mowerTypeComboBox->setEnabled(false);
    QPalette palette = mowerTypeComboBox->palette();
    for (const QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText})
        palette.setColor(QPalette::Disabled, role, Qt::black);
    mowerTypeComboBox->setPalette(palette);

    if (MachineTypeTable::hasFixedYear(typeCode_)) {
        const std::string_view year = MachineTypeTable::fixedYear(typeCode_);
        yearIdMaskEdit->setText(QString::fromLatin1(year.data(), static_cast<qsizetype>(year.size())));
        yearIdMaskEdit->setReadOnly(true);
    } else {
        yearIdMaskEdit->setText(
            QStringLiteral("%1").arg(QDate::currentDate().year() % 100, 2, 10, QChar(u'0')));
    }

    setWindowTitle(catalogue(TextId::CreateTitle));
    oNameGroupBox->setTitle(catalogue(TextId::CreateFirstname));
    oSurNameGroupBox->setTitle(catalogue(TextId::CreateLastname));
    oAddressGroupBox->setTitle(catalogue(TextId::CreateAddress));
    machineIdGroupBox->setTitle(catalogue(TextId::CreateMachineNumber));
    createButt->setText(catalogue(TextId::CreateButton));

    connect(createButt, &QPushButton::clicked, this, &TcreateForm::createButtClick);
    finishLayout(createButt);
}

void TcreateForm::refuse(const std::string& text) {
    prompts_.message(Prompts::Kind::Error, text, Prompts::Buttons::Ok);
}

void TcreateForm::createButtClick() {
    if (oNameEdit->text().isEmpty())
        return refuse(catalogueBytes(TextId::SpecifyFirstname));
    if (oSurNameEdit->text().isEmpty())
        return refuse(catalogueBytes(TextId::SpecifyLastname));
    const QStringList lines = memoLines(WinText::typedText(*oAddressMemo));
    if (lines.isEmpty())
        return refuse("Vous devez sp\xe9"
                      "cifier une addresse"); // the same in every language
    const std::optional<std::int32_t> yearValue = decimal(yearIdMaskEdit->text());
    const std::optional<std::int32_t> machineNumber = decimal(machineIdMaskEdit->text());
    if (!yearValue || !machineNumber)
        return refuse(catalogueBytes(TextId::IncorrectMachineNumber));
    // The year is stored in one byte; only its low 8 bits are kept, and checked.
    const auto year = static_cast<std::uint8_t>(*yearValue & 0xFF);
    if (year < 4)
        return refuse(catalogueBytes(TextId::IncorrectMachineNumber));
    if (*machineNumber == 0)
        return refuse(catalogueBytes(TextId::IncorrectMachineNumber));

    QString addressText;
    for (const QString& line : lines)
        addressText += line + u'\n';
    const std::optional<std::string> name = storedText(oNameEdit->text(), TextId::CreateFirstname, prompts_);
    if (!name)
        return;
    const std::optional<std::string> firstName =
        storedText(oSurNameEdit->text(), TextId::CreateLastname, prompts_);
    if (!firstName)
        return;
    const std::optional<std::string> address = storedText(addressText, TextId::CreateAddress, prompts_);
    if (!address || !addressFits(address->size(), TextId::CreateAddress, prompts_))
        return;

    if (directory_.MachineExists(typeCode_, year, 0, *machineNumber))
        return refuse(catalogueBytes(TextId::ExistingMachine));

    auto machine = std::make_unique<FXUMowerLog>();
    machine->SetFactoryFlag(0);
    machine->SetMachineNumber(*machineNumber);
    machine->SetTypeCode(typeCode_);
    machine->SetYear(year);
    machine->SetName(*name);
    machine->SetFirstName(*firstName);
    machine->SetAddress(*address);
    const FXULogTime time = record_->logTime();
    machine->Insert(time, record_);
    // The list reports its own failure to write the machine; the record went with the machine either way.
    done(directory_.CreateMachine(std::move(machine)) ? 1 : 2);
}

void TcreateForm::reject() {
    done(2);
}
