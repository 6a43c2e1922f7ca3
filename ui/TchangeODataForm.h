#pragma once

#include "ui/OwnerDataDialog.h"

#include <cstdint>

class FXUMowerLog;
class MachineDirectory;
class Prompts;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Edits the owner data and the machine number of an existing machine, from its machine window. Saving
// writes into the machine, re-sorts the machine list, writes the machine's file at once and closes with
// Cancel (2).
class TchangeODataForm : public OwnerDataDialog {
    Q_OBJECT
public:
    static constexpr std::uint32_t kVrnNumberLimit = 5000;

    TchangeODataForm(QWidget* owner, std::uint8_t typeCode, FXUMowerLog& machine, MachineDirectory& directory,
                     Prompts& prompts);

    std::uint8_t workingTypeCode() const { return typeCode_; }

    QPushButton* const chgeButt;

public slots:
    // Closing from the title bar or with Escape answers Cancel (2), not QDialog's 0.
    void reject() override;
    void mowerTypeComboBoxChange();
    void chgeButtClick();

private:
    void showYearFor(std::uint8_t typeCode, const QString& otherwise);
    void refuse(TextId catalogueId);

    FXUMowerLog& machine_;
    MachineDirectory& directory_;
    Prompts& prompts_;
    std::uint8_t typeCode_;
    std::uint8_t year_;
    std::int32_t machineNumber_;
    std::uint8_t factoryFlag_;
};
