#include "ui/TComComboBox.h"

#include "core/link/EComPort.h"
#include "core/link/Port.h"

TComComboBox::TComComboBox(Port& port, QWidget* parent) : QComboBox(parent), port_(port) {
    setEditable(false);
}

bool TComComboBox::showPorts() {
    std::vector<std::string> names;
    try {
        names = port_.EnumComPorts();
    } catch (const EComPort&) {
        clear();
        return false;
    }
    showPortNames(names);
    return true;
}

void TComComboBox::showPortNames(const std::vector<std::string>& names) {
    const QSignalBlocker quiet(this);
    clear();
    for (const std::string& name : names)
        addItem(QString::fromStdString(name));
    setCurrentIndex(
        findText(QString::fromStdString(port_.PortName()), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void TComComboBox::selectCurrentOrLast() {
    if (count() == 0)
        return;
    const QSignalBlocker quiet(this);
    const int current =
        findText(QString::fromStdString(port_.PortName()), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (current >= 0) {
        setCurrentIndex(current);
        return;
    }
    setCurrentIndex(count() - 1);
    port_.SetPort(currentText().toStdString());
}
