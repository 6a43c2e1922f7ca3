#pragma once

#include "ui/history/TStringGrid.h"

class FXULog;

// The "History" page's list of events, newest first: a header row drawn raised, the event column coloured
// and in italics for alarms (red), the machine being opened or switched on or off (blue) and software
// updates (green).
class THistGrid : public TStringGrid {
public:
    static const QColor kAlarmColour;
    static const QColor kMachineColour;
    static const QColor kUpdateColour;

    explicit THistGrid(QWidget* parent = nullptr);

    // Rows for the record's events, then selects the oldest, which brings the end of the list into view.
    void fill(const FXULog& record);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool openOnOldest_ = false; // until first shown, when the grid knows how much of it is in view
};
