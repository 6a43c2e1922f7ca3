#pragma once

#include <QWidget>
#include <vector>

class FXULog;
class QGroupBox;
class QTabWidget;
class TStringGrid;
class TWeekChart;

// The "Resting Time" page: the sleep hours as a week chart ("Time View") and as one table per zone
// ("Table View").
class TRestingTimePage : public QWidget {
public:
    static const char* const kTimeViewCaption;
    static const char* const kTableViewCaption;

    TRestingTimePage(const FXULog& record, QWidget* parent);

    QTabWidget* views() const { return views_; }
    TWeekChart* chart() const { return chart_; }
    int zoneTableCount() const { return static_cast<int>(zoneTables_.size()); }
    TStringGrid* zoneTable(int zone) const { return zoneTables_.at(static_cast<std::size_t>(zone)); }
    QWidget* zonePanel(int zone) const { return zonePanels_.at(static_cast<std::size_t>(zone)); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildZoneTables(const FXULog& record);
    void layoutZonePanels();

    QTabWidget* views_;
    TWeekChart* chart_ = nullptr;
    QWidget* tablePage_ = nullptr;
    std::vector<QWidget*> zonePanels_;
    std::vector<TStringGrid*> zoneTables_;
};
