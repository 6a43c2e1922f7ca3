#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class FXULog;
class MachineDirectory;
class Prompts;
class QGroupBox;
class QListWidget;
class QPushButton;

// Lets the user file a history record whose serial number no machine has under a machine picked by its
// number text, or ask for a new machine. Result 1 (OK): filed, the record is taken; 3 (Abort): the user
// wants a new machine and the record stays with the caller; 2 (Cancel) otherwise.
class TinsertForm : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 163;
    static constexpr int kHeight = 306;

    TinsertForm(QWidget* owner, std::unique_ptr<FXULog>& record, MachineDirectory& directory,
                Prompts& prompts);

    QGroupBox* const machineListGroupBox;
    QListWidget* const machineIdListBox;
    QPushButton* const insertButt;
    QPushButton* const createButt;

public slots:
    // Closing from the title bar or with Escape answers Cancel (2), not QDialog's 0.
    void reject() override;
    void insertButtClick();
    void createButtClick();

private:
    std::unique_ptr<FXULog>& record_;
    MachineDirectory& directory_;
    Prompts& prompts_;
    std::vector<std::string> machineNumbers_; // as stored, by list row
};
