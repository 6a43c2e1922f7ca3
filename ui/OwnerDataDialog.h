#pragma once

#include "core/i18n/TextId.h"

#include <QDialog>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class Prompts;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The owner fields and the machine number fields that the create dialog and the owner-data dialog share,
// laid out alike, with the checks both make on what the user typed.
class OwnerDataDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 249;
    static constexpr int kHeight = 229;
    static constexpr int kMaxNameLength = 30;

    // The typed text as stored bytes; nullopt, after an error box naming the field by its caption, when the
    // code page cannot hold one of its characters.
    static std::optional<std::string> storedText(const QString& text, TextId captionId, Prompts& prompts);
    // False, after an error box naming the field, when an address of that stored length could not be read
    // back from the machine file.
    static bool addressFits(std::size_t storedLength, TextId captionId, Prompts& prompts);
    // A decimal integer, or nullopt.
    static std::optional<std::int32_t> decimal(const QString& text);

    QGroupBox* const oNameGroupBox;
    QLineEdit* const oNameEdit;
    QGroupBox* const oSurNameGroupBox;
    QLineEdit* const oSurNameEdit;
    QGroupBox* const oAddressGroupBox;
    QPlainTextEdit* const oAddressMemo;
    QGroupBox* const machineIdGroupBox;
    QComboBox* const mowerTypeComboBox;
    QLineEdit* const yearIdMaskEdit;
    QLineEdit* const machineIdMaskEdit;
    QLabel* const separatorLabel;
    QLineEdit* const factoryIdMaskEdit;

protected:
    explicit OwnerDataDialog(QWidget* owner, Qt::WindowFlags flags = {});
    // Places the dialog's one button under the fields and centres the dialog on the screen.
    void finishLayout(QPushButton* button);
    static std::string catalogueBytes(TextId id);
    static QString catalogue(TextId id);
};
