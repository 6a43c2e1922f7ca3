#include "ui/ServiceReportPainter.h"

#include "ui/WinText.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>
#include <vector>

namespace {

// DejaVu Sans carries every letter of Windows-1252 and is there on every Debian desktop.
QFont reportFont(double points, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    font.setBold(bold);
    // No "fi"/"ffl" ligatures: a reader searching or copying the PDF's text finds the letters typed.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

class PageWriter {
public:
    PageWriter(QPainter& painter, QPagedPaintDevice& device)
        : painter_(painter), device_(device),
          area_(device.pageLayout()
                    .paintRectPixels(device.logicalDpiX())
                    .translated(-device.pageLayout().paintRectPixels(device.logicalDpiX()).topLeft())) {}

    // Room for height more on this page, or a new page.
    void need(double height) {
        if (y_ + height > area_.height() && y_ > 0) {
            device_.newPage();
            y_ = 0;
        }
    }
    void line(const QString& text, const QFont& font, double indent = 0) {
        painter_.setFont(font);
        const QFontMetricsF metrics(font, &device_);
        const QRectF box(indent, 0, area_.width() - indent, 1e6);
        const QRectF used = metrics.boundingRect(box, Qt::TextWordWrap, text);
        need(used.height());
        painter_.drawText(QRectF(indent, y_, box.width(), used.height()), Qt::TextWordWrap, text);
        y_ += used.height();
    }
    void gap(double points) { y_ += points * device_.logicalDpiY() / 72.0; }
    void table(const ServiceReport::Table& table) {
        const QFont plain = reportFont(8);
        const QFont bold = reportFont(8, true);
        const QFontMetricsF metrics(bold, &device_);
        const double pad = metrics.averageCharWidth() * 1.5;
        std::vector<double> widths(static_cast<std::size_t>(table.cells.columns()), 0);
        for (int c = 0; c < table.cells.columns(); ++c)
            for (int r = 0; r < table.cells.rows(); ++r)
                for (const QString& line : WinText::toQt(table.cells.at(c, r)).split(QLatin1Char('\n')))
                    widths[static_cast<std::size_t>(c)] =
                        std::max(widths[static_cast<std::size_t>(c)], metrics.horizontalAdvance(line) + pad);
        const double rowHeight = metrics.height() * 1.15;
        if (!table.title.empty()) {
            need(rowHeight * 3); // a title never ends a page alone
            line(WinText::toQt(table.title), reportFont(10, true));
        }
        for (int r = 0; r < table.cells.rows(); ++r) {
            // An address takes as many lines as it has.
            int lines = 1;
            for (int c = 0; c < table.cells.columns(); ++c)
                lines =
                    std::max<int>(lines, 1 + static_cast<int>(std::count(table.cells.at(c, r).begin(),
                                                                         table.cells.at(c, r).end(), '\n')));
            const double height = rowHeight * lines;
            need(height);
            const bool strong =
                (table.headed && r == 0) ||
                std::find(table.markedRows.begin(), table.markedRows.end(), r) != table.markedRows.end();
            painter_.setFont(strong ? bold : plain);
            double x = 0;
            for (int c = 0; c < table.cells.columns(); ++c) {
                painter_.drawText(QRectF(x, y_, widths[static_cast<std::size_t>(c)], height),
                                  Qt::AlignLeft | Qt::AlignTop, WinText::toQt(table.cells.at(c, r)));
                x += widths[static_cast<std::size_t>(c)];
            }
            if (table.headed && r == 0)
                painter_.drawLine(QPointF(0, y_ + rowHeight),
                                  QPointF(std::min(x, area_.width()), y_ + rowHeight));
            y_ += height;
        }
    }

private:
    QPainter& painter_;
    QPagedPaintDevice& device_;
    QRectF area_;
    double y_ = 0;
};

void pairs(PageWriter& page, const std::string& title, const ServiceReport::Pairs& rows) {
    ServiceReport::Table table{title, FXUTextGrid(2, static_cast<int>(rows.size())), false, {}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table.cells.set(0, static_cast<int>(i), rows[i].first + ":");
        table.cells.set(1, static_cast<int>(i), rows[i].second);
    }
    page.table(table);
}

} // namespace

bool ServiceReportPainter::Paint(const ServiceReport& report, QPagedPaintDevice& device) {
    device.setPageSize(QPageSize(QPageSize::A4));
    device.setPageMargins(QMarginsF(18, 15, 18, 15), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    PageWriter page(painter, device);
    page.line(WinText::toQt(report.title), reportFont(16, true));
    page.line(WinText::toQt(report.recordDate), reportFont(10));
    page.gap(8);
    page.line(WinText::toQt(report.workshop.name), reportFont(10, true));
    page.line(WinText::toQt(report.workshop.address), reportFont(9));
    page.gap(8);
    pairs(page, report.customerTitle, report.customer);
    page.gap(6);
    pairs(page, report.machineTitle, report.machine);
    for (const ServiceReport::Table& table : report.tables) {
        page.gap(6);
        page.table(table);
    }
    page.gap(6);
    page.line(WinText::toQt(report.commentTitle), reportFont(10, true));
    page.line(WinText::toQt(report.comment), reportFont(9));
    page.gap(10);
    page.line(WinText::toQt(report.printed), reportFont(8));
    return painter.end();
}

bool ServiceReportPainter::WritePdf(const ServiceReport& report, const QString& path, QString* error) {
    // Written beside the target and renamed over it: a failed write leaves no torn PDF behind.
    QSaveFile file(path);
    bool painted = false;
    if (file.open(QIODevice::WriteOnly)) {
        QPdfWriter writer(&file);
        writer.setResolution(300);
        writer.setTitle(WinText::toQt(report.title));
        writer.setCreator(QStringLiteral("Orvane Service Kit"));
        painted = Paint(report, writer);
    }
    if (painted && file.commit())
        return true;
    if (error)
        *error =
            QStringLiteral("Cannot write %1: %2").arg(QFileInfo(path).absoluteFilePath(), file.errorString());
    return false;
}
