#include "ui/history/TMachineInfoPage.h"

#include "core/history/FXULog.h"
#include "support/HandRecord.h"
#include "support/QtMessages.h"
#include "support/SharedState.h"
#include "ui/WindowFont.h"
#include "ui/history/TStringGrid.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace {

class MachineInfoPageTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { releaseSharedState(); }

    // A layout-3 collector of hardware code 4: 7 global and 5 per-zone options.
    std::unique_ptr<FXULog> collector() {
        image[0] = 0x10;                       // O000 set
        image[2] = image[3] = image[4] = 0x40; // every zone enabled
        for (int k = 0; k < 48; ++k)
            image[static_cast<std::size_t>(120 + k)] = static_cast<std::uint8_t>(k);
        return HandRecord::Make(image, 3, 0x09);
    }
    static std::unique_ptr<TMachineInfoPage> show(const FXULog& record, QSize size) {
        auto page = std::make_unique<TMachineInfoPage>(record, nullptr);
        page->setFont(windowFont(page->font())); // as in the machine window
        page->resize(size);
        page->show();
        QApplication::processEvents();
        return page;
    }
    static QStringList row(const TStringGrid& grid, int r) {
        QStringList texts;
        for (int c = 0; c < grid.gridColumns(); ++c)
            texts << grid.cell(c, r);
        return texts;
    }
    // The colour at a cell's bottom right, away from its text and lines.
    static QRgb cellColour(TStringGrid& grid, int column, int row) {
        const QImage shot = grid.grab().toImage();
        const QRect cell = grid.cellRect(column, row);
        return shot.pixel(cell.right() - 4, cell.bottom() - 3);
    }

    FXULog::Image image{};
};

} // namespace

TEST_F(MachineInfoPageTest, PanelsShareThePageAsTabledAtEverySize) {
    const auto record = collector();
    auto page = show(*record, {1000, 800});
    ASSERT_EQ(page->panel(0)->size(), QSize(1000, 800));
    EXPECT_EQ(page->panel(1)->geometry(), QRect(0, 0, 1000, 560));
    EXPECT_EQ(page->panel(2)->geometry(), QRect(0, 560, 1000, 240));
    EXPECT_EQ(page->panel(3)->geometry(), QRect(2, 2, 299, 558)) << "30 % of P1's width less its border";
    EXPECT_EQ(page->panel(8)->geometry(), QRect(349, 0, 350, 558));
    EXPECT_EQ(page->panel(9)->height(), 323) << "the 7/5 split gives P9 58 % of P8";
    EXPECT_EQ(page->panel(10)->geometry(), QRect(0, 323, 350, 235));
    EXPECT_EQ(page->panel(1)->contentsRect(), QRect(2, 2, 996, 556)) << "a border of 2";
    EXPECT_EQ(page->panel(3)->contentsRect(), QRect(0, 0, 299, 558)) << "no border";
    EXPECT_EQ(page->commentGroupBox()->geometry(), page->panel(2)->contentsRect());
    EXPECT_EQ(page->parameterGrid()->parentWidget()->geometry(), page->panel(7)->contentsRect());

    page->resize(517, 333);
    QApplication::processEvents();
    EXPECT_EQ(page->panel(1)->height(), 333 * 70 / 100);
    EXPECT_EQ(page->panel(3)->width(), (517 - 2) * 30 / 100);
    EXPECT_EQ(page->panel(9)->height(), (page->panel(8)->height()) * 58 / 100);
}

TEST_F(MachineInfoPageTest, IdentificationAndStatisticsFitTheirGridsWidth) {
    for (int b = 0; b < 3; ++b)
        image[static_cast<std::size_t>(80 + b)] = static_cast<std::uint8_t>(b + 1); // slot 0: 66051
    image[1] = 1;                                                                   // French
    const auto record = HandRecord::Make(image, 3, 0x0B);
    auto page = show(*record, {1000, 800});
    TStringGrid& stats = *page->statisticsGrid();
    TStringGrid& ident = *page->identificationGrid();
    EXPECT_EQ(row(stats, 0), QStringList({"Mowing time", "66051 min"}));
    EXPECT_EQ(row(stats, 5), QStringList({"Rest time", "0 min"}));
    EXPECT_EQ(stats.gridRows(), 6);
    EXPECT_EQ(stats.colWidth(1), 70);
    EXPECT_EQ(stats.colWidth(0), 100);
    EXPECT_EQ(stats.gridRowHeight(3), 18);
    EXPECT_EQ(row(ident, 0), QStringList({"Firmware version:", "0B-13020101"}));
    EXPECT_EQ(row(ident, 1), QStringList({"Serial Number:", "04A1B2C3"}));
    EXPECT_EQ(row(ident, 2), QStringList({"Language:", "Français"}));
    EXPECT_EQ(ident.colWidth(1), 90);
    EXPECT_EQ(ident.colWidth(0), 110);

    // Narrow: the labels get what the statistics' values leave, and wrapped labels make their rows taller.
    page->resize(480, 500);
    QApplication::processEvents();
    ASSERT_LT(stats.width(), 170);
    EXPECT_EQ(stats.colWidth(0), std::max(0, stats.width() - 70));
    EXPECT_EQ(ident.colWidth(0), std::max(0, stats.width() - 70));
    const int label = ident.fontMetrics().horizontalAdvance(QStringLiteral("Firmware version:"));
    ASSERT_LT(ident.colWidth(0), label);
    EXPECT_GE(ident.gridRowHeight(0), 2 * ident.fontMetrics().height() + 4)
        << "the label wraps, its row grows";
    EXPECT_EQ(ident.gridRowHeight(2) > 18,
              ident.fontMetrics().horizontalAdvance(QStringLiteral("Language:")) > ident.colWidth(0) - 3);
    page->resize(1000, 800);
    QApplication::processEvents();
    EXPECT_EQ(ident.gridRowHeight(0), 18) << "set up again at every size";
}

TEST_F(MachineInfoPageTest, ParametersHaveAColumnPerZoneAndSwitchedOffZonesAreSilver) {
    image[3] = 0x00; // zone B: O017 "Enable Zone" clear
    image[2] = image[4] = 0x40;
    for (int k = 0; k < 48; ++k)
        image[static_cast<std::size_t>(120 + k)] = static_cast<std::uint8_t>(k);
    const auto record = HandRecord::Make(image, 3, 0x09);
    auto page = show(*record, {1100, 800});
    EXPECT_EQ(page->zoneOffFlags(), (std::vector<bool>{false, false, true, false}));

    TStringGrid& parameters = *page->parameterGrid();
    ASSERT_EQ(parameters.gridColumns(), 5);
    ASSERT_EQ(parameters.gridRows(), 12);
    EXPECT_EQ(parameters.fixedRows(), 1);
    EXPECT_EQ(parameters.fixedColumns(), 1);
    EXPECT_EQ(row(parameters, 0), QStringList({"", "", "Zone A", "Zone B", "Zone C"}));
    EXPECT_EQ(row(parameters, 1), QStringList({"P 0 :", "Signal Sensitivity", "0", "16", "32"}));
    EXPECT_EQ(row(parameters, 6), QStringList({"P 5 :", "Nominal Speed", "5", "5", "5"}));
    EXPECT_EQ(parameters.cell(0, 11), "P10 :");
    const int widths[] = {40, 100, 40, 40, 40};
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(parameters.colWidth(c), widths[c]) << c;
    EXPECT_GT(parameters.gridRowHeight(3), 18) << "a long name wraps and its row grows";
    EXPECT_EQ(parameters.gridRowHeight(6), 18) << "\"Nominal Speed\" fits";

    const QRgb silver = qRgb(192, 192, 192);
    const QRgb base = parameters.palette().color(QPalette::Base).rgb();
    for (int r : {1, 6, 11}) {
        EXPECT_EQ(cellColour(parameters, 3, r), silver) << "zone B, row " << r;
        EXPECT_EQ(cellColour(parameters, 2, r), base) << "zone A, row " << r;
        EXPECT_EQ(cellColour(parameters, 4, r), base) << "zone C, row " << r;
        EXPECT_EQ(cellColour(parameters, 1, r), base) << "the name column never is";
    }

    TStringGrid& zones = *page->zoneOptionGrid();
    ASSERT_EQ(zones.gridColumns(), 4);
    ASSERT_EQ(zones.gridRows(), 6);
    EXPECT_EQ(row(zones, 0), QStringList({"Zone :", "A", "B", "C"}));
    EXPECT_EQ(row(zones, 5), QStringList({"O017: Enable Zone", "V", "-", "V"}));
    EXPECT_EQ(zones.colWidth(1), 20);
    EXPECT_EQ(zones.colWidth(0), std::min(178, page->globalOptionGrid()->width() - 66));
    EXPECT_EQ(cellColour(zones, 2, 3), silver);
    EXPECT_EQ(cellColour(zones, 1, 3), base);
    EXPECT_EQ(cellColour(zones, 3, 3), base);

    TStringGrid& global = *page->globalOptionGrid();
    ASSERT_EQ(global.gridRows(), 8);
    EXPECT_EQ(row(global, 0), QStringList({"", ""}));
    EXPECT_EQ(row(global, 7), QStringList({"O018: Keyboard Lock", "-"}));
    EXPECT_EQ(global.colWidth(0), std::min(178, global.width() - 22));
    EXPECT_EQ(global.colWidth(1), 20);
    EXPECT_EQ(global.gridRowHeight(2), 18);
}

TEST_F(MachineInfoPageTest, LayoutOneHasOneUntitledZoneColumnAndNoZoneOptions) {
    image[0] = 0x50; // O000 (bit 4) and O004 (bit 6) set
    const auto record = HandRecord::Make(image, 1, 0x04, 9);
    auto page = show(*record, {1000, 800});
    TStringGrid& parameters = *page->parameterGrid();
    EXPECT_EQ(parameters.gridColumns(), 3);
    EXPECT_EQ(parameters.gridRows(), 12);
    EXPECT_EQ(row(parameters, 0), QStringList({"", "", ""}));
    EXPECT_EQ(page->panel(10)->height(), 0) << "the global options take all of P8";
    EXPECT_EQ(page->panel(9)->height(), page->panel(8)->height());
    EXPECT_EQ(page->zoneOptionGrid()->gridRows(), 0);
    EXPECT_EQ(row(*page->globalOptionGrid(), 1), QStringList({"O000: Multiple Robots", "V"}));
    EXPECT_EQ(cellColour(parameters, 2, 1), parameters.palette().color(QPalette::Base).rgb());
}

TEST_F(MachineInfoPageTest, LayoutZeroShowsEmptySectionsWithoutComplaint) {
    const QtMessages messages;
    const auto record = HandRecord::Make(image, 0);
    auto page = show(*record, {1000, 800});
    EXPECT_EQ(page->parameterGrid()->gridColumns(), 2);
    EXPECT_EQ(page->parameterGrid()->gridRows(), 1);
    EXPECT_EQ(page->globalOptionGrid()->gridRows(), 1);
    EXPECT_EQ(page->panel(9)->height(), page->panel(8)->height() / 2) << "no options: half each";
    EXPECT_EQ(row(*page->statisticsGrid(), 0), QStringList({"Mowing time", "0 min"}));
    for (QSize size : {QSize(0, 0), QSize(3, 3), QSize(60, 40)}) {
        page->resize(size);
        QApplication::processEvents();
        page->grab();
    }
    EXPECT_TRUE(QtMessages::seen().isEmpty()) << QtMessages::seen().join('\n').toStdString();
}
