#include "ui/history/TRestingTimePage.h"

#include "core/history/FXULog.h"
#include "core/historyview/FXUSleepBars.h"
#include "support/HandRecord.h"
#include "support/QtMessages.h"
#include "support/SharedState.h"
#include "ui/history/TStringGrid.h"
#include "ui/history/TWeekChart.h"

#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kGreen(0, 128, 0);
const QColor kWhite(255, 255, 255);

class RestingTimePageTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }

    static std::unique_ptr<TWeekChart> chart(const FXULog& record, QSize size) {
        auto shown = std::make_unique<TWeekChart>(record.zoneCount(), FXUSleepBars::Build(record));
        shown->resize(size);
        shown->show();
        QApplication::processEvents();
        return shown;
    }
    static QStringList column(const TStringGrid& grid, int c) {
        QStringList texts;
        for (int r = 0; r < grid.gridRows(); ++r)
            texts << grid.cell(c, r);
        return texts;
    }

    FXULog::Image image{};
};

} // namespace

TEST_F(RestingTimePageTest, TheChartIsAsWideAsItsHalfHoursAllowAndFollowsEveryResize) {
    const auto record = HandRecord::Make(image, 1);
    auto shown = chart(*record, {1000, 800});
    EXPECT_EQ(shown->halfHourWidth(), 9);
    EXPECT_EQ(shown->image().size(), QSize(586, 800));
    EXPECT_EQ(shown->canvas()->geometry(), QRect(0, 0, 586, 800)) << "at the panel's top left";
    shown->resize(180, 300);
    QApplication::processEvents();
    EXPECT_EQ(shown->halfHourWidth(), 0);
    EXPECT_EQ(shown->image().size(), QSize(154, 300));
    EXPECT_EQ(shown->canvas()->size(), QSize(154, 300));
}

TEST_F(RestingTimePageTest, ARangePastMidnightIsDrawnOnBothSidesOfEachOfItsDays) {
    HandRecord::PutSleep(image, 1, 0, 22, 0, 6, 30, HandRecord::kMonday | HandRecord::kTuesday);
    HandRecord::PutSleep(image, 1, 1, 10, 40, 11, 0, 1 << 3); // Wednesday
    HandRecord::PutSleep(image, 1, 2, 10, 20, 11, 0, 1 << 4); // Thursday
    const auto record = HandRecord::Make(image, 1);
    auto shown = chart(*record, {1000, 800});
    const QImage& drawn = shown->image();
    // k = 9, r = 56: day d's row runs from 42 + 58 d for 55 pixels; hour h begins at 82 + 21 h.
    for (int top : {42, 100}) {
        const int y = top + 30;
        EXPECT_EQ(drawn.pixelColor(544, y), kRed) << "22H00, row " << top;
        EXPECT_EQ(drawn.pixelColor(585, y), kRed) << "up to midnight";
        EXPECT_NE(drawn.pixelColor(543, y), kRed);
        EXPECT_EQ(drawn.pixelColor(82, y), kRed) << "from midnight";
        EXPECT_EQ(drawn.pixelColor(216, y), kRed) << "to 06H30";
        EXPECT_NE(drawn.pixelColor(217, y), kRed);
        EXPECT_EQ(drawn.pixelColor(300, y), kWhite) << "nothing between";
        EXPECT_EQ(drawn.pixelColor(100, top), kRed) << "the bar's top";
        EXPECT_EQ(drawn.pixelColor(100, top + 54), kRed) << "the bar's bottom";
        EXPECT_NE(drawn.pixelColor(100, top + 55), kRed);
    }
    for (int x = 82; x < 586; ++x)
        ASSERT_NE(drawn.pixelColor(x, 158 + 30 + 58 * 2), kRed) << "Friday rests not, x " << x;

    // 10H40 begins after the half-hour line, a pixel further right than its minutes alone (12 pixels).
    EXPECT_EQ(drawn.pixelColor(305, 158 + 30), kRed);
    EXPECT_EQ(drawn.pixelColor(304, 158 + 30), kWhite);
    EXPECT_EQ(drawn.pixelColor(298, 216 + 30), kRed) << "10H20: the minutes alone";
    EXPECT_EQ(drawn.pixelColor(297, 216 + 30), kWhite);
}

TEST_F(RestingTimePageTest, SeveralZonesShareEachDayAndAreNamedInALegend) {
    HandRecord::PutSleep(image, 3, 7, 12, 0, 13, 0, HandRecord::kMonday); // zone B, range 1
    const auto record = HandRecord::Make(image, 3);
    auto shown = chart(*record, {1000, 800});
    const QImage& drawn = shown->image();
    // r = 17: zone B's sub-row on Monday starts at 59; the chart ends at 425, the legend 20 below.
    EXPECT_EQ(drawn.pixelColor(82 + 21 * 12 + 5, 59 + 8), kBlue);
    EXPECT_NE(drawn.pixelColor(82 + 21 * 12 + 5, 42 + 8), kBlue) << "zone A's sub-row";
    EXPECT_EQ(drawn.pixelColor(81, 463), kRed);
    EXPECT_EQ(drawn.pixelColor(161, 463), kBlue);
    EXPECT_EQ(drawn.pixelColor(241, 463), kGreen);

    const auto single = HandRecord::Make(image, 2);
    auto plain = chart(*single, {1000, 800});
    for (int x = 80; x < 300; ++x)
        ASSERT_EQ(plain->image().pixelColor(x, 446 + 25), kWhite) << "no legend for one zone, x " << x;
}

TEST_F(RestingTimePageTest, TinyPanelsGiveADegenerateChartWithoutComplaint) {
    HandRecord::PutSleep(image, 3, 0, 22, 0, 6, 30, 0xFE);
    const auto record = HandRecord::Make(image, 3);
    const QtMessages messages;
    auto shown = chart(*record, {1000, 800});
    for (QSize size :
         {QSize(0, 0), QSize(1, 1), QSize(10, 10), QSize(100, 30), QSize(203, 90), QSize(0, 400)}) {
        shown->resize(size);
        QApplication::processEvents();
        shown->grab();
        EXPECT_EQ(shown->image().height(), size.height()) << size.width() << "x" << size.height();
    }
    const auto none = HandRecord::Make(image, 0);
    auto empty = chart(*none, {640, 480});
    EXPECT_EQ(empty->image().size(), QSize(586, 480)) << "layout 0: a chart without rows";
    EXPECT_TRUE(QtMessages::seen().isEmpty()) << QtMessages::seen().join('\n').toStdString();
}

TEST_F(RestingTimePageTest, TheTableViewHasATableForEachZoneWithOneTextPerRangeAndDay) {
    HandRecord::PutSleep(image, 3, 7, 22, 0, 6, 30, HandRecord::kMonday | HandRecord::kTuesday);
    const auto record = HandRecord::Make(image, 3);
    TRestingTimePage page(*record, nullptr);
    page.resize(800, 700);
    page.show();
    page.views()->setCurrentIndex(1);
    QApplication::processEvents();
    ASSERT_EQ(page.views()->tabText(0), "Time View");
    ASSERT_EQ(page.views()->tabText(1), "Table View");
    ASSERT_EQ(page.zoneTableCount(), 3);
    const QWidget* tablePage = page.views()->widget(1);
    const int share = (tablePage->height() - 4) / 3;
    for (int zone = 0; zone < 3; ++zone)
        EXPECT_EQ(page.zonePanel(zone)->geometry(),
                  QRect(2, 2 + zone * share, tablePage->width() - 4, share));

    TStringGrid& b = *page.zoneTable(1);
    EXPECT_EQ(b.gridColumns(), 6);
    EXPECT_EQ(b.gridRows(), 8);
    EXPECT_EQ(b.cell(0, 0), "Zone B");
    EXPECT_EQ(column(b, 1), QStringList({"Range 1", "22H00-06H30", "22H00-06H30", "", "", "", "", ""}));
    EXPECT_EQ(b.cell(5, 0), "xxxx");
    EXPECT_EQ(b.cell(0, 3), "Wednesday");
    EXPECT_EQ(b.colWidth(0), 65);
    EXPECT_EQ(b.colWidth(5), 75);
    EXPECT_EQ(b.gridRowHeight(0), 30);
    EXPECT_EQ(b.gridRowHeight(7), 30);
    EXPECT_EQ(column(*page.zoneTable(0), 1), QStringList({"Range 1", "", "", "", "", "", "", ""}));
    // The fixed cells have their own colour, the others the grid's.
    const QImage shot = b.grab().toImage();
    const QRect corner = b.cellRect(0, 0);
    const QRect cell = b.cellRect(3, 5);
    EXPECT_EQ(shot.pixel(corner.right() - 3, corner.bottom() - 3), b.fixedColour().rgb());
    EXPECT_EQ(shot.pixel(cell.right() - 3, cell.bottom() - 3), b.palette().color(QPalette::Base).rgb());
    EXPECT_NE(b.fixedColour(), b.palette().color(QPalette::Base));

    const auto layout1 = HandRecord::Make(image, 1);
    TRestingTimePage one(*layout1, nullptr);
    ASSERT_EQ(one.zoneTableCount(), 1);
    EXPECT_EQ(one.zoneTable(0)->gridColumns(), 5);
    EXPECT_EQ(one.zoneTable(0)->cell(0, 0), "");
    EXPECT_EQ(one.zoneTable(0)->cell(4, 0), "Range 4");
    const auto layout0 = HandRecord::Make(image, 0);
    EXPECT_EQ(TRestingTimePage(*layout0, nullptr).zoneTableCount(), 0);
}
