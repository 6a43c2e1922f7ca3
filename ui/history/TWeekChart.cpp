#include "ui/history/TWeekChart.h"

#include "core/historyview/FXUWeekChart.h"
#include "ui/WinText.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <type_traits>

namespace {

QRect toQt(const FXURect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

QColor toQt(const FXURgb& colour) {
    return {colour.red, colour.green, colour.blue};
}

constexpr int kLargeText = 1000;

} // namespace

TWeekChart::TWeekChart(int zones, std::vector<FXUSleepBar> bars, QWidget* parent)
    : QFrame(parent), zones_(zones), bars_(std::move(bars)), canvas_(new QLabel(this)) {
    canvas_->move(0, 0);
    redraw();
}

TWeekChart::~TWeekChart() = default;

void TWeekChart::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    redraw();
}

void TWeekChart::redraw() {
    const FXUWeekChart chart(width(), height(), zones_, bars_);
    halfHourWidth_ = chart.halfHourWidth();
    image_ = Paint(chart, font());
    canvas_->setPixmap(QPixmap::fromImage(image_));
    canvas_->resize(image_.size());
}

QImage TWeekChart::Paint(const FXUWeekChart& chart, const QFont& font) {
    if (chart.imageWidth() <= 0 || chart.imageHeight() <= 0)
        return {};
    QImage image(chart.imageWidth(), chart.imageHeight(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    for (const FXUChartItem& item : chart.items()) {
        std::visit(
            [&painter](const auto& part) {
                using Part = std::decay_t<decltype(part)>;
                if constexpr (std::is_same_v<Part, FXUChartLine>) {
                    painter.setPen(QPen(Qt::black, part.penWidth, Qt::SolidLine, Qt::FlatCap));
                    painter.drawLine(part.x1, part.y1, part.x2, part.y2);
                } else if constexpr (std::is_same_v<Part, FXUChartBox>) {
                    painter.fillRect(toQt(part.rect), toQt(part.colour));
                } else if (part.clip.width > 0 && part.clip.height > 0) {
                    painter.save();
                    painter.setClipRect(toQt(part.clip));
                    painter.setPen(Qt::black);
                    const QRect room = part.centred ? QRect(part.clip.x, part.y, part.clip.width, kLargeText)
                                                    : QRect(part.x, part.y, kLargeText, kLargeText);
                    painter.drawText(room, (part.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop,
                                     WinText::toQt(part.text));
                    painter.restore();
                }
            },
            item);
    }
    return image;
}
