#pragma once

#include "ui/OwnerDataDialog.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class FXULog;
class MachineDirectory;
class Prompts;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Takes the owner data and machine number of a new machine and creates it with the history record that no
// machine could take. Result 1 (OK) when the machine was created; the record then belongs to it.
class TcreateForm : public OwnerDataDialog {
    Q_OBJECT
public:
    // typeCode: the low four bits of the record's type byte.
    TcreateForm(QWidget* owner, std::uint8_t typeCode, std::unique_ptr<FXULog>& record,
                MachineDirectory& directory, Prompts& prompts);

    QPushButton* const createButt;

public slots:
    // Closing from the title bar or with Escape answers Cancel (2), not QDialog's 0.
    void reject() override;
    void createButtClick();

private:
    void refuse(const std::string& text);

    std::uint8_t typeCode_;
    std::unique_ptr<FXULog>& record_;
    MachineDirectory& directory_;
    Prompts& prompts_;
};
