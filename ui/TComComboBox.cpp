#include "ui/TComComboBox.h"

#include "core/i18n/ProgramTexts.h"
#include "core/link/EComPort.h"
#include "core/link/Port.h"
#include "ui/WinText.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

TComComboBox::TComComboBox(Port& port, QWidget* parent) : QComboBox(parent), port_(port) {
    setEditable(false);
    setFixedWidth(kNarrowWidth);
    view()->setTextElideMode(Qt::ElideMiddle);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { setToolTip(currentText()); });
}

bool TComComboBox::showPorts() {
    std::vector<std::string> names;
    try {
        names = port_.EnumComPorts();
    } catch (const EComPort&) {
        showPortNames({});
        return false;
    }
    showPortNames(names);
    return true;
}

void TComComboBox::showPortNames(const std::vector<std::string>& names) {
    const QSignalBlocker quiet(this);
    clear();
    for (const std::string& name : names)
        addItem(QString::fromStdString(name), QString::fromStdString(name));
    const QString current = QString::fromStdString(port_.PortName());
    absentShown_ =
        !current.isEmpty() && findData(current, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0;
    if (absentShown_)
        addItem(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::PortNotPresent, {port_.PortName()})),
                current);
    setCurrentIndex(findData(current, Qt::UserRole, Qt::MatchExactly | Qt::MatchCaseSensitive));
    setToolTip(currentText());
    fitWidth();
}

std::string TComComboBox::currentPortName() const {
    return currentIndex() < 0 ? std::string() : currentData().toString().toStdString();
}

void TComComboBox::selectCurrentOrLast() {
    if (count() == 0)
        return;
    const QSignalBlocker quiet(this);
    const int current = findData(QString::fromStdString(port_.PortName()), Qt::UserRole,
                                 Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (current >= 0) {
        setCurrentIndex(current);
    } else {
        setCurrentIndex(count() - 1);
        port_.SetPort(currentPortName());
    }
    setToolTip(currentText());
}

void TComComboBox::fitWidth() {
    int widestText = 0;
    for (int i = 0; i < count(); ++i)
        widestText = std::max(widestText, fontMetrics().horizontalAdvance(itemText(i)));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const int needed =
        style()
            ->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(widestText, fontMetrics().height()), this)
            .width();
    setFixedWidth(std::clamp(needed, kNarrowWidth, kWidestWidth));
    // The open list may be wider than the box, so that whole paths can be compared.
    view()->setMinimumWidth(std::min(needed, 2 * kWidestWidth));
}

void TComComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect text =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, text.width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
