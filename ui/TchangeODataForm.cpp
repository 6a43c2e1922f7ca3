#include "ui/TchangeODataForm.h"

#include "core/base/Prompts.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/FXUStringTable.h"
#include "ui/MachineDirectory.h"
#include "ui/MachineTypeTable.h"
#include "ui/WinText.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

TchangeODataForm::TchangeODataForm(QWidget* owner, std::uint8_t typeCode, FXUMowerLog& machine,
                                   MachineDirectory& directory, Prompts& prompts)
    : OwnerDataDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      chgeButt(new QPushButton(this)), machine_(machine), directory_(directory), prompts_(prompts),
      typeCode_(typeCode), year_(machine.year()), machineNumber_(machine.machineNumber()),
      factoryFlag_(machine.factoryFlag()) {
    const QString name = WinText::toQt(machine_.name());
    const QString firstName = WinText::toQt(machine_.firstName());
    // A longer name from an imported file is shown whole rather than cut short on the next save.
    oNameEdit->setMaxLength(std::max(kMaxNameLength, static_cast<int>(name.size())));
    oSurNameEdit->setMaxLength(std::max(kMaxNameLength, static_cast<int>(firstName.size())));
    oNameEdit->setText(name);
    oSurNameEdit->setText(firstName);
    oAddressMemo->setPlainText(
        WinText::toQt(machine_.address()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

    mowerTypeComboBox->setCurrentIndex(MachineTypeTable::itemForCode(typeCode_));
    showYearFor(typeCode_, QString::number(year_));
    machineIdMaskEdit->setText(QString::number(machineNumber_));

    setWindowTitle(catalogue(TextId::ChangeCustomerReferences));
    oNameGroupBox->setTitle(catalogue(TextId::ChangeFirstname));
    oSurNameGroupBox->setTitle(catalogue(TextId::ChangeLastname));
    oAddressGroupBox->setTitle(catalogue(TextId::ChangeAddress));
    machineIdGroupBox->setTitle(catalogue(TextId::ChangeMachineNumber));
    chgeButt->setText(catalogue(TextId::Save));

    // Connected after the machine's own item is selected, so that only a change of type runs the handler.
    connect(mowerTypeComboBox, &QComboBox::currentIndexChanged, this,
            &TchangeODataForm::mowerTypeComboBoxChange);
    connect(chgeButt, &QPushButton::clicked, this, &TchangeODataForm::chgeButtClick);
    finishLayout(chgeButt);
}

void TchangeODataForm::showYearFor(std::uint8_t typeCode, const QString& otherwise) {
    const std::string_view fixedYear = MachineTypeTable::fixedYear(typeCode);
    yearIdMaskEdit->setReadOnly(!fixedYear.empty());
    yearIdMaskEdit->setText(
        fixedYear.empty() ? otherwise
                          : QString::fromLatin1(fixedYear.data(), static_cast<qsizetype>(fixedYear.size())));
}

void TchangeODataForm::mowerTypeComboBoxChange() {
    const int index = mowerTypeComboBox->currentIndex();
    if (index < 0)
        return;
    typeCode_ = MachineTypeTable::codeForItem(index);
    showYearFor(typeCode_, QStringLiteral("%1").arg(machine_.year(), 2, 10, QChar(u'0')));
}

void TchangeODataForm::refuse(TextId catalogueId) {
    prompts_.message(Prompts::Kind::Error, FXUStringTable::getInstance()->Text(catalogueId),
                     Prompts::Buttons::Ok);
}

void TchangeODataForm::chgeButtClick() {
    if (oNameEdit->text().isEmpty())
        return refuse(TextId::ChangeSpecifyFirstname);
    if (oSurNameEdit->text().isEmpty())
        return refuse(TextId::ChangeSpecifyLastname);
    // A fixed-year type keeps the stored year; its shown year belongs to the type name.
    std::uint8_t year = machine_.year();
    if (!MachineTypeTable::hasFixedYear(typeCode_)) {
        const std::optional<std::int32_t> yearValue = decimal(yearIdMaskEdit->text());
        if (!yearValue)
            return refuse(TextId::ChangeIncorrectMachineNumber);
        year = static_cast<std::uint8_t>(*yearValue & 0xFF);
    }
    const std::optional<std::int32_t> machineNumber = decimal(machineIdMaskEdit->text());
    if (!machineNumber || *machineNumber == 0)
        return refuse(TextId::ChangeIncorrectMachineNumber);
    const auto number = static_cast<std::uint32_t>(*machineNumber);
    if ((typeCode_ == 6 && number < kVrnNumberLimit) ||
        ((typeCode_ == 2 || typeCode_ == 12) && number >= kVrnNumberLimit))
        return refuse(TextId::ChangeIncorrectMachineNumber);

    const std::optional<std::string> name = storedText(oNameEdit->text(), TextId::ChangeFirstname, prompts_);
    if (!name)
        return;
    const std::optional<std::string> firstName =
        storedText(oSurNameEdit->text(), TextId::ChangeLastname, prompts_);
    if (!firstName)
        return;
    // The memo's text as typed: line breaks between lines, none added after the last.
    const QString addressText = WinText::typedText(*oAddressMemo).replace(u'\n', QStringLiteral("\r\n"));
    const std::optional<std::string> address = storedText(addressText, TextId::ChangeAddress, prompts_);
    if (!address || !addressFits(address->size(), TextId::ChangeAddress, prompts_))
        return;

    // The machine itself always "exists"; only a changed identity can clash with another machine.
    const bool unchanged = typeCode_ == machine_.typeCode() && year == machine_.year() &&
                           *machineNumber == machine_.machineNumber();
    if (!unchanged && directory_.MachineExists(typeCode_, year, factoryFlag_, *machineNumber))
        return refuse(TextId::ExistingMachine);

    year_ = year;
    machineNumber_ = *machineNumber;
    machine_.SetName(*name);
    machine_.SetFirstName(*firstName);
    machine_.SetAddress(*address);
    machine_.SetYear(year_);
    machine_.SetMachineNumber(machineNumber_);
    machine_.SetFactoryFlag(factoryFlag_);
    machine_.SetTypeCode(typeCode_);
    directory_.Arrange();
    // At once, like a filed record: a crash before the close must not lose the new owner or number. A failed
    // write has been shown; the machine keeps the edits and its window saves them at close.
    directory_.SaveMachine(machine_);
    done(2);
}

void TchangeODataForm::reject() {
    done(2);
}
