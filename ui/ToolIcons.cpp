#include "ui/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

namespace {

// Draws on a 24 x 24 grid at each of the sizes the icon offers.
QIcon drawIcon(const std::function<void(QPainter&)>& paint, std::initializer_list<int> sizes = {24, 48}) {
    QIcon icon;
    for (const int size : sizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 24.0, size / 24.0);
        paint(p);
        icon.addPixmap(pixmap);
    }
    return icon;
}

void drawArrow(QPainter& p, QPointF tip, bool up, const QColor& fill) {
    const double dir = up ? 1.0 : -1.0;
    QPainterPath arrow;
    arrow.moveTo(tip);
    arrow.lineTo(tip.x() + 5.5, tip.y() + dir * 5.5);
    arrow.lineTo(tip.x() + 2.2, tip.y() + dir * 5.5);
    arrow.lineTo(tip.x() + 2.2, tip.y() + dir * 10.5);
    arrow.lineTo(tip.x() - 2.2, tip.y() + dir * 10.5);
    arrow.lineTo(tip.x() - 2.2, tip.y() + dir * 5.5);
    arrow.lineTo(tip.x() - 5.5, tip.y() + dir * 5.5);
    arrow.closeSubpath();
    p.setPen(QPen(fill.darker(160), 1.0));
    p.setBrush(fill);
    p.drawPath(arrow);
}

} // namespace

QIcon ToolIcons::upgrade() {
    return drawIcon([](QPainter& p) {
        // A firmware chip with its pins, and a green arrow rising out of it.
        p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.2));
        for (int i = 0; i < 4; ++i) {
            const double y = 7.5 + i * 3.5;
            p.drawLine(QPointF(1.5, y), QPointF(4.5, y));
            p.drawLine(QPointF(17.5, y), QPointF(20.5, y));
        }
        p.setPen(QPen(QColor(0x22, 0x22, 0x22), 1.0));
        p.setBrush(QColor(0x3a, 0x3f, 0x47));
        p.drawRoundedRect(QRectF(4.5, 5.5, 13, 15), 1.5, 1.5);
        p.setBrush(QColor(0x9a, 0xa3, 0xad));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(7.2, 8.2), 1.0, 1.0);
        drawArrow(p, QPointF(16.5, 1.0), true, QColor(0x2e, 0xa0, 0x43));
    });
}

QIcon ToolIcons::loadHistory() {
    return drawIcon([](QPainter& p) {
        // A history sheet with its lines, and a blue arrow bringing it down to the computer.
        p.setPen(QPen(QColor(0x55, 0x60, 0x6e), 1.0));
        p.setBrush(Qt::white);
        QPainterPath sheet;
        sheet.moveTo(3.5, 1.5);
        sheet.lineTo(12.5, 1.5);
        sheet.lineTo(16.5, 5.5);
        sheet.lineTo(16.5, 21.5);
        sheet.lineTo(3.5, 21.5);
        sheet.closeSubpath();
        p.drawPath(sheet);
        p.drawLine(QPointF(12.5, 1.5), QPointF(12.5, 5.5));
        p.drawLine(QPointF(12.5, 5.5), QPointF(16.5, 5.5));
        const QColor lines[] = {QColor(0xd0, 0x3b, 0x2f), QColor(0x55, 0x60, 0x6e), QColor(0x2e, 0xa0, 0x43),
                                QColor(0x55, 0x60, 0x6e), QColor(0xe0, 0x9a, 0x1c)};
        for (int i = 0; i < 5; ++i) {
            p.setPen(QPen(lines[i], 1.3));
            p.drawLine(QPointF(5.5, 8.0 + i * 2.6), QPointF(i % 2 ? 11.0 : 14.0, 8.0 + i * 2.6));
        }
        drawArrow(p, QPointF(18.0, 23.0), false, QColor(0x1f, 0x6f, 0xd1));
    });
}

QIcon ToolIcons::program() {
    return drawIcon(
        [](QPainter& p) {
            // A green badge with a white wheel: a machine on the service bench.
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0x2e, 0x8b, 0x3e));
            p.drawRoundedRect(QRectF(1, 1, 22, 22), 5, 5);
            p.setPen(QPen(Qt::white, 2.2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(12, 12), 6.5, 6.5);
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(12, 12), 1.6, 1.6);
            for (int i = 0; i < 4; ++i) {
                p.save();
                p.translate(12, 12);
                p.rotate(45 + i * 90);
                p.drawLine(QPointF(0, 2.5), QPointF(0, 5.5));
                p.restore();
            }
        },
        {16, 24, 32, 48, 64});
}
