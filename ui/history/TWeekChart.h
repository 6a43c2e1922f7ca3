#pragma once

#include <QFrame>
#include <QImage>
#include <vector>

class FXUWeekChart;
class QLabel;
struct FXUSleepBar;

// The "Time View" panel: the week chart of the sleep hours as an image at the panel's top left corner,
// drawn afresh for the panel's size whenever the panel is resized.
class TWeekChart : public QFrame {
public:
    TWeekChart(int zones, std::vector<FXUSleepBar> bars, QWidget* parent = nullptr);
    ~TWeekChart() override;

    const QImage& image() const { return image_; }
    int halfHourWidth() const { return halfHourWidth_; }
    QLabel* canvas() const { return canvas_; }

    static QImage Paint(const FXUWeekChart& chart, const QFont& font);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void redraw();

    int zones_;
    std::vector<FXUSleepBar> bars_;
    QLabel* canvas_;
    QImage image_;
    int halfHourWidth_ = 0;
};
