#pragma once

#include <QWidget>

class MachineFilter;
class QComboBox;
class QLabel;
class QLineEdit;

// Above the machine list: the search field, the "not serviced for" and machine type filters, and how many
// machines they leave. Sends changed() as the dealer types or chooses; Esc in the field clears it.
class MachineFindBar : public QWidget {
    Q_OBJECT
public:
    explicit MachineFindBar(QWidget* parent = nullptr);

    // The filter as the controls now say, periods counted back from this moment.
    MachineFilter filter() const;
    void focusSearch();
    // "12 of 340 machines" while a filter is set; nothing otherwise.
    void showCount(int shown, int total, bool filtered);

    QLineEdit* searchField() const { return search_; }
    QComboBox* periodBox() const { return period_; }
    QComboBox* typeBox() const { return type_; }
    QLabel* countLabel() const { return count_; }

signals:
    void changed();

private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    QLineEdit* search_;
    QComboBox* period_;
    QComboBox* type_;
    QLabel* count_;
};
