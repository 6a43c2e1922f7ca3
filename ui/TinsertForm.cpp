#include "ui/TinsertForm.h"

#include "core/base/Prompts.h"
#include "core/i18n/FXUStringTable.h"
#include "ui/MachineDirectory.h"
#include "ui/WinText.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>

namespace {

QString catalogue(TextId id) {
    return WinText::toQt(FXUStringTable::getInstance()->Text(id));
}

} // namespace

TinsertForm::TinsertForm(QWidget* owner, std::unique_ptr<FXULog>& record, MachineDirectory& directory,
                         Prompts& prompts)
    : QDialog(owner), machineListGroupBox(new QGroupBox(this)),
      machineIdListBox(new QListWidget(machineListGroupBox)), insertButt(new QPushButton(this)),
      createButt(new QPushButton(this)), record_(record), directory_(directory), prompts_(prompts) {
    setFixedSize(kWidth, kHeight);
    machineListGroupBox->setGeometry(8, 4, 147, 258);
    machineIdListBox->setGeometry(8, 18, 131, 232);
    insertButt->setGeometry(8, 270, 70, 28);
    createButt->setGeometry(85, 270, 70, 28);

    // Kept as bytes so that the machine is found by exactly the text the list gave.
    machineNumbers_ = directory_.MachineNumberList();
    for (const std::string& text : machineNumbers_)
        machineIdListBox->addItem(WinText::toQt(text));
    insertButt->setEnabled(!machineNumbers_.empty());

    setWindowTitle(catalogue(TextId::InsertTitle));
    machineListGroupBox->setTitle(catalogue(TextId::MachineListing));
    insertButt->setText(catalogue(TextId::InsertButton));
    createButt->setText(catalogue(TextId::InsertCreateButton));

    connect(insertButt, &QPushButton::clicked, this, &TinsertForm::insertButtClick);
    connect(createButt, &QPushButton::clicked, this, &TinsertForm::createButtClick);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TinsertForm::insertButtClick() {
    const int row = machineIdListBox->currentRow();
    if (row < 0 || !machineIdListBox->item(row)->isSelected()) {
        prompts_.message(Prompts::Kind::Warning, FXUStringTable::getInstance()->Text(TextId::ChooseAMachine),
                         Prompts::Buttons::Ok);
        return;
    }
    if (!directory_.InsertRecordByMachineNumber(machineNumbers_[static_cast<std::size_t>(row)], record_)) {
        prompts_.message(Prompts::Kind::Error,
                         FXUStringTable::getInstance()->Text(TextId::RecordAtThisDateExists),
                         Prompts::Buttons::Ok);
        return;
    }
    done(1);
}

void TinsertForm::createButtClick() {
    done(3);
}

void TinsertForm::reject() {
    done(2);
}
