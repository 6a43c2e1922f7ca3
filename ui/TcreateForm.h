#pragma once

#include <QDialog>
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
class TcreateForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 249;
    static constexpr int kHeight = 229;
    static constexpr int kMaxNameLength = 30;

    // typeCode: the low four bits of the record's type byte.
    TcreateForm(QWidget* owner, std::uint8_t typeCode, std::unique_ptr<FXULog>& record,
                MachineDirectory& directory, Prompts& prompts);

    // Shared with the owner dialog. The typed text as stored bytes; nullopt, after an error box naming the
    // field by its caption, when the code page cannot hold one of its characters.
    static std::optional<std::string> storedText(const QString& text, std::uint16_t captionId,
                                                 Prompts& prompts);
    // False, after an error box naming the field, when an address of that stored length could not be read
    // back from the machine file.
    static bool addressFits(std::size_t storedLength, std::uint16_t captionId, Prompts& prompts);
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
