#include "ui/OwnerDataDialog.h"

#include "core/base/Prompts.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/FXUStringTable.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/MachineTypeTable.h"
#include "ui/WinText.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>

OwnerDataDialog::OwnerDataDialog(QWidget* owner, Qt::WindowFlags flags)
    : QDialog(owner, flags), oNameGroupBox(new QGroupBox(this)), oNameEdit(new QLineEdit(oNameGroupBox)),
      oSurNameGroupBox(new QGroupBox(this)), oSurNameEdit(new QLineEdit(oSurNameGroupBox)),
      oAddressGroupBox(new QGroupBox(this)), oAddressMemo(new QPlainTextEdit(oAddressGroupBox)),
      machineIdGroupBox(new QGroupBox(this)), mowerTypeComboBox(new QComboBox(machineIdGroupBox)),
      yearIdMaskEdit(new QLineEdit(machineIdGroupBox)), machineIdMaskEdit(new QLineEdit(machineIdGroupBox)),
      separatorLabel(new QLabel(QStringLiteral("--"), machineIdGroupBox)),
      factoryIdMaskEdit(new QLineEdit(QStringLiteral("B"), machineIdGroupBox)) {
    setFixedSize(kWidth, kHeight);
    oNameGroupBox->setGeometry(8, 2, 233, 42);
    oNameEdit->setGeometry(8, 16, 217, 21);
    oSurNameGroupBox->setGeometry(8, 46, 233, 42);
    oSurNameEdit->setGeometry(8, 16, 217, 21);
    oAddressGroupBox->setGeometry(8, 90, 233, 64);
    oAddressMemo->setGeometry(8, 16, 217, 42);
    machineIdGroupBox->setGeometry(8, 156, 233, 42);
    mowerTypeComboBox->setGeometry(6, 16, 76, 21);
    yearIdMaskEdit->setGeometry(86, 16, 26, 21);
    machineIdMaskEdit->setGeometry(116, 16, 50, 21);
    separatorLabel->setGeometry(170, 18, 14, 17);
    factoryIdMaskEdit->setGeometry(186, 16, 22, 21);

    oAddressMemo->setTabChangesFocus(true);
    oNameEdit->setMaxLength(kMaxNameLength);
    oSurNameEdit->setMaxLength(kMaxNameLength);
    // Digits only: a sign or a space could only be refused later.
    const QRegularExpression digits(QStringLiteral("[0-9]*"));
    yearIdMaskEdit->setValidator(new QRegularExpressionValidator(digits, yearIdMaskEdit));
    machineIdMaskEdit->setValidator(new QRegularExpressionValidator(digits, machineIdMaskEdit));
    MachineTypeTable::fill(*mowerTypeComboBox);
    factoryIdMaskEdit->setEnabled(false);
    factoryIdMaskEdit->setReadOnly(true);
}

void OwnerDataDialog::finishLayout(QPushButton* button) {
    button->setGeometry(86, 201, 77, 25);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

std::string OwnerDataDialog::catalogueBytes(TextId id) {
    return FXUStringTable::getInstance()->Text(id);
}

QString OwnerDataDialog::catalogue(TextId id) {
    return WinText::toQt(catalogueBytes(id));
}

std::optional<std::string> OwnerDataDialog::storedText(const QString& text, TextId captionId,
                                                       Prompts& prompts) {
    if (std::optional<std::string> bytes = WinText::fromQt(text))
        return bytes;
    // The character itself cannot be shown in the message either, so it is named by its code.
    QString code;
    for (const char32_t character : text.toUcs4()) {
        if (!WinText::fromQt(QString::fromUcs4(&character, 1))) {
            code = QStringLiteral("U+%1").arg(static_cast<uint>(character), 4, 16, QChar(u'0')).toUpper();
            break;
        }
    }
    prompts.message(Prompts::Kind::Error,
                    ProgramTexts::Text(ProgramTexts::Id::UnholdableCharacter,
                                       {catalogueBytes(captionId), code.toStdString()}),
                    Prompts::Buttons::Ok);
    return std::nullopt;
}

bool OwnerDataDialog::addressFits(std::size_t storedLength, TextId captionId, Prompts& prompts) {
    if (storedLength <= FXUMowerLog::kMaxOwnerText)
        return true;
    prompts.message(Prompts::Kind::Error,
                    ProgramTexts::Text(ProgramTexts::Id::TooLongToStore,
                                       {catalogueBytes(captionId), std::to_string(storedLength),
                                        std::to_string(FXUMowerLog::kMaxOwnerText)}),
                    Prompts::Buttons::Ok);
    return false;
}

std::optional<std::int32_t> OwnerDataDialog::decimal(const QString& text) {
    bool ok = false;
    const std::int32_t value = text.toInt(&ok, 10);
    return ok ? std::optional<std::int32_t>(value) : std::nullopt;
}
