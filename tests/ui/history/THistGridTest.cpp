#include "ui/history/THistGrid.h"

#include "core/history/FXULog.h"
#include "support/HandRecord.h"
#include "support/SharedState.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace {

class HistGridTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }

    // Coloured pixels of the colour's family (red, blue or green text, smoothed at its edges).
    static int countPixels(const QImage& shot, const QRect& cell, const QColor& like) {
        int found = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                const bool match = (like.red() > 128) == (c.red() > 160) &&
                                   (like.green() > 128) == (c.green() > 160) &&
                                   (like.blue() > 128) == (c.blue() > 160) && c != QColor(Qt::white) &&
                                   !(c.red() == c.green() && c.green() == c.blue());
                found += match ? 1 : 0;
            }
        return found;
    }

    FXULog::Image image{};
};

} // namespace

TEST_F(HistGridTest, AFullRingFillsRowsOneTo984NewestFirstAndOpensOnTheOldest) {
    const int oldest = 300;
    for (int e = 0; e < 984; ++e) {
        const std::size_t offset = 320 + static_cast<std::size_t>((oldest + e) % 984) * 8;
        image[offset] = 0x12;
        image[offset + 4] = 1;
        image[offset + 6] = static_cast<std::uint8_t>(e >> 8);
        image[offset + 7] = static_cast<std::uint8_t>(e);
    }
    const int pointer = 0x8000 | (320 + oldest * 8);
    image[28] = static_cast<std::uint8_t>(pointer >> 8);
    image[29] = static_cast<std::uint8_t>(pointer);
    const auto record = HandRecord::Make(image, 3);

    THistGrid grid;
    grid.fill(*record);
    ASSERT_EQ(grid.gridRows(), 989);
    ASSERT_EQ(grid.gridColumns(), 6);
    EXPECT_EQ(grid.fixedRows(), 1);
    EXPECT_EQ(grid.fixedColumns(), 0);
    QStringList header;
    for (int c = 0; c < 6; ++c)
        header << grid.cell(c, 0);
    EXPECT_EQ(header, QStringList({"Ev Nb", "Date", "Event", "ExtraB", "FU1", "FU2"}));
    for (int r = 1; r <= 984; ++r) {
        const int event = 984 - r;
        ASSERT_EQ(grid.cell(0, r), QString::number(r - 1)) << r;
        ASSERT_EQ(grid.cell(4, r), QString::number(event >> 8)) << r;
        ASSERT_EQ(grid.cell(5, r), QString::number(event & 0xFF)) << r;
    }
    EXPECT_EQ(grid.cell(1, 1), "12/00 00:00");
    EXPECT_EQ(grid.cell(2, 1), "End charging");
    for (int r = 985; r <= 988; ++r)
        for (int c = 0; c < 6; ++c)
            ASSERT_EQ(grid.cell(c, r), "") << "four empty rows at the end, row " << r;
    const int widths[] = {0, 120, 200, 64, 64, 64};
    for (int c = 0; c < 6; ++c)
        EXPECT_EQ(grid.colWidth(c), widths[c]) << c;
    EXPECT_EQ(grid.gridRowHeight(0), 24);
    EXPECT_EQ(grid.gridRowHeight(500), 24);
    EXPECT_EQ(grid.currentRow() + grid.fixedRows(), 984);
    EXPECT_EQ(grid.currentColumn(), 1);

    grid.resize(560, 400);
    grid.show();
    QApplication::processEvents();
    const QRect view = grid.viewport()->rect();
    EXPECT_TRUE(view.contains(grid.visualItemRect(grid.item(983, 1)))) << "the oldest event is in view";
    EXPECT_FALSE(view.intersects(grid.visualItemRect(grid.item(0, 1)))) << "the newest is not";
    EXPECT_GT(grid.verticalScrollBar()->value(), 900);
}

TEST_F(HistGridTest, OnlyTheEventColumnIsColouredAndItalicForAlarmsMachineHandlingAndUpdates) {
    HandRecord::PutEvents(image, {{0x01, 0x02, 0x10, 0x00, 11, 0, 0, 0},
                                  {0x01, 0x02, 0x10, 0x05, 6, 0, 0, 0},
                                  {0x01, 0x02, 0x10, 0x10, 5, 0x21, 0, 0},
                                  {0x01, 0x02, 0x10, 0x15, 0, 0, 0, 0}});
    const auto record = HandRecord::Make(image, 3);
    THistGrid grid;
    grid.fill(*record);
    grid.resize(560, 300);
    grid.show();
    QApplication::processEvents();
    ASSERT_EQ(grid.gridRows(), 9);
    EXPECT_EQ(grid.cell(2, 1), "Start charging");
    EXPECT_EQ(grid.cell(2, 2), "Left wheel blocked");
    EXPECT_EQ(grid.cell(2, 3), "Switch on");
    EXPECT_EQ(grid.cell(2, 4), "Software update");

    const QImage shot = grid.grab().toImage();
    struct Expected {
        int row;
        QColor colour;
        bool italic;
    };
    for (const Expected& e : {Expected{1, Qt::black, false}, Expected{2, QColor(255, 0, 0), true},
                              Expected{3, QColor(0, 0, 255), true}, Expected{4, QColor(0, 255, 0), true}}) {
        SCOPED_TRACE(e.row);
        QTableWidgetItem* event = grid.item(e.row - 1, 2);
        EXPECT_EQ(event->font().italic(), e.italic);
        EXPECT_FALSE(grid.item(e.row - 1, 1)->font().italic()) << "the date stays upright";
        if (e.italic) {
            EXPECT_EQ(event->foreground().color(), e.colour);
            EXPECT_GT(countPixels(shot, grid.cellRect(2, e.row), e.colour), 5) << "drawn in its colour";
            for (int c : {1, 3})
                EXPECT_EQ(countPixels(shot, grid.cellRect(c, e.row), e.colour), 0) << "column " << c;
        }
        if (!e.italic) {
            for (const QColor& colour : {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 255, 0)})
                EXPECT_EQ(countPixels(shot, grid.cellRect(2, e.row), colour), 0)
                    << "a plain event is not coloured";
        }
    }
    // The header is raised: light above, dark below.
    const QRect date = grid.cellRect(1, 0);
    EXPECT_EQ(shot.pixel(date.left() + 5, date.top()), grid.palette().color(QPalette::Light).rgb());
    EXPECT_EQ(shot.pixel(date.left() + 5, date.bottom()), grid.palette().color(QPalette::Dark).rgb());
    EXPECT_EQ(shot.pixel(date.right() - 3, date.bottom() - 3), grid.fixedColour().rgb());
}

TEST_F(HistGridTest, NoEventsLeaveTheHeaderAndFourEmptyRows) {
    const auto record = HandRecord::Make(image, 3);
    THistGrid grid;
    grid.fill(*record);
    EXPECT_EQ(grid.gridRows(), 5);
    EXPECT_EQ(grid.currentRow() + grid.fixedRows(), 1) << "the first row below the header";
    for (int r = 1; r < 5; ++r)
        EXPECT_EQ(grid.cell(2, r), "");
    const auto none = HandRecord::Make(image, 0);
    grid.fill(*none);
    EXPECT_EQ(grid.gridRows(), 5);
    EXPECT_EQ(grid.cell(2, 0), "Event");
}
