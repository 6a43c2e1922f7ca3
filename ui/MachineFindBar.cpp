#include "ui/MachineFindBar.h"

#include "core/database/MachineFilter.h"
#include "core/history/MachineModels.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/WinText.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace {

QString text(ProgramTexts::Id id, const std::vector<std::string>& arguments = {}) {
    return WinText::toQt(ProgramTexts::Text(id, arguments));
}

} // namespace

MachineFindBar::MachineFindBar(QWidget* parent)
    : QWidget(parent), search_(new QLineEdit(this)), period_(new QComboBox(this)), type_(new QComboBox(this)),
      count_(new QLabel(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    search_->setObjectName(QStringLiteral("findField"));
    search_->setPlaceholderText(text(ProgramTexts::Id::FindPlaceholder));
    search_->setClearButtonEnabled(true);
    column->addWidget(search_);
    auto* filters = new QHBoxLayout;
    filters->setSpacing(2);
    period_->setObjectName(QStringLiteral("servicePeriod"));
    for (const auto id : {ProgramTexts::Id::AnyServiceDate, ProgramTexts::Id::NotServicedSixMonths,
                          ProgramTexts::Id::NotServicedOneYear, ProgramTexts::Id::NotServicedTwoYears})
        period_->addItem(text(id));
    type_->setObjectName(QStringLiteral("machineType"));
    type_->addItem(text(ProgramTexts::Id::AllMachineTypes));
    // Two codes of one model name are one choice for the dealer; the item keeps the first code and the
    // filter takes every code of that name.
    std::set<std::string_view> names;
    for (const MachineModel& model : MachineModels::all())
        if (names.insert(model.name).second)
            type_->addItem(QString::fromLatin1(model.name.data(), static_cast<qsizetype>(model.name.size())),
                           model.typeCode);
    period_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    period_->setMinimumContentsLength(8);
    filters->addWidget(period_, 2);
    filters->addWidget(type_, 1);
    column->addLayout(filters);
    count_->setObjectName(QStringLiteral("machineCount"));
    count_->hide();
    column->addWidget(count_);

    search_->installEventFilter(this);
    connect(search_, &QLineEdit::textChanged, this, &MachineFindBar::changed);
    connect(period_, &QComboBox::currentIndexChanged, this, &MachineFindBar::changed);
    connect(type_, &QComboBox::currentIndexChanged, this, &MachineFindBar::changed);
}

MachineFilter MachineFindBar::filter() const {
    MachineFilter filter;
    // Accents the code page lacks ("ą") are taken off as the filter takes off those it has; a character
    // that is still not in it is in no owner text, so the search is for a byte no typed text holds.
    QString typed = search_->text().normalized(QString::NormalizationForm_D);
    typed.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    const auto bytes = WinText::fromQt(typed);
    filter.setText(bytes ? *bytes : std::string("\x01", 1));
    static const MachineFilter::Period periods[] = {
        MachineFilter::Period::AnyTime, MachineFilter::Period::SixMonths, MachineFilter::Period::OneYear,
        MachineFilter::Period::TwoYears};
    filter.setNotServicedSince(periods[std::max(0, period_->currentIndex())], FXULogTime());
    if (type_->currentIndex() > 0) {
        const MachineModel* chosen =
            MachineModels::find(static_cast<std::uint8_t>(type_->currentData().toInt()));
        std::vector<std::uint8_t> codes;
        for (const MachineModel& model : MachineModels::all())
            if (chosen && model.name == chosen->name)
                codes.push_back(model.typeCode);
        filter.setTypeCodes(std::move(codes));
    }
    return filter;
}

bool MachineFindBar::eventFilter(QObject* watched, QEvent* event) {
    // Esc empties the field; on an empty one it goes on to the window as before.
    if (watched == search_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !search_->text().isEmpty()) {
        search_->clear();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MachineFindBar::focusSearch() {
    search_->setFocus(Qt::ShortcutFocusReason);
    search_->selectAll();
}

void MachineFindBar::showCount(int shown, int total, bool filtered) {
    count_->setVisible(filtered);
    count_->setText(text(ProgramTexts::Id::MachinesShown, {std::to_string(shown), std::to_string(total)}));
}
