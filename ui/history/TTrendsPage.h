#pragma once

#include <QDateTime>
#include <QWidget>
#include <vector>

class FXUMowerLog;
class QChart;
class QChartView;
class QComboBox;
class QLabel;
class QScatterSeries;

// A machine's trends: the chosen quantity per record over time as a line with a point per record; a
// point's values show on hover, a click asks for that record's tab.
class TTrendsPage : public QWidget {
    Q_OBJECT
public:
    // The quantities offered, each one or two series of the same unit.
    enum Group { Times, Cycles, WheelDistances, Alarms };

    explicit TTrendsPage(const FXUMowerLog& machine, QWidget* parent = nullptr);

    // Builds the chart again from the machine's records (after one came or went).
    void refresh();
    void showGroup(Group group);
    QComboBox* groupBox() const { return groups_; }
    QChart* chart() const;
    // The text a hover over the point of that record shows.
    QString pointText(int record) const;
    QLabel* hintLabel() const { return hint_; }

signals:
    // The record (its time, as the key of the machine's records) whose point was clicked.
    void recordChosen(int year, int month, int day, int hour, int minute, int second);

private:
    void pointClicked(const QPointF& point);
    void pointHovered(const QPointF& point, bool state);
    int recordAt(const QPointF& point) const;

    const FXUMowerLog& machine_;
    QComboBox* groups_;
    QChartView* view_;
    QLabel* hint_;
    struct Record {
        QDateTime when;
        std::vector<unsigned> values; // by FXUTrends series
        int year, month, day, hour, minute, second;
    };
    std::vector<Record> records_;
};
