#include "ui/TFXUMainForm.h"

#include "core/base/IniFile.h"
#include "core/link/TComPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

namespace {

// A program in a private folder; its database folder is "db" beside it.
class MainFormHarness {
public:
    std::string program() const { return dir.file("orvane-service-kit"); }
    std::string iniPath() const { return dir.file("orvane-service-kit.INI"); }
    std::string logPath() const { return dir.file("orvane-service-kit.log"); }
    void settings(const std::string& content) { TempDir::write(iniPath(), content); }
    IniFile ini() const { return IniFile(iniPath()); }

    std::unique_ptr<TFXUMainForm> start() {
        auto port = std::make_unique<TComPort>([] { return std::vector<std::string>{}; });
        return std::make_unique<TFXUMainForm>(program(), std::move(port), clock, prompts);
    }
    // The close, with the event log's "written" line kept off the test's output.
    static void close(TFXUMainForm& window) {
        testing::internal::CaptureStdout();
        window.close();
        testing::internal::GetCapturedStdout();
    }

    TempDir dir;
    VirtualClock clock;
    ScriptedPrompts prompts;
};

struct Geometry {
    const char* name;
    int width, height, left, top;
    // What the window gets: -1 stands for the available screen's width or height.
    int wantWidth, wantHeight, wantLeft, wantTop;
};

void PrintTo(const Geometry& row, std::ostream* out) {
    *out << row.name;
}

class MainFormGeometry : public ::testing::TestWithParam<Geometry>, public MainFormHarness {
protected:
    void TearDown() override { releaseSharedState(); }
};

} // namespace

TEST_P(MainFormGeometry, SizeIsBoundedByTheScreenAndSavedAsApplied) {
    const Geometry& row = GetParam();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(QGuiApplication::screens().size(), 1) << "the off-screen platform has one screen";
    const int wantWidth = row.wantWidth < 0 ? screen.width() : row.wantWidth;
    const int wantHeight = row.wantHeight < 0 ? screen.height() : row.wantHeight;
    ASSERT_TRUE(screen.width() > 700 && screen.height() > 500) << "rows that fit must fit this screen";

    settings("[MainForm]\r\nHeight=" + std::to_string(row.height) + "\r\nWidth=" + std::to_string(row.width) +
             "\r\nTop=" + std::to_string(row.top) + "\r\nLeft=" + std::to_string(row.left) + "\r\n");
    auto window = start();
    EXPECT_EQ(window->width(), wantWidth);
    EXPECT_EQ(window->height(), wantHeight);
    EXPECT_EQ(window->x(), row.wantLeft);
    EXPECT_EQ(window->y(), row.wantTop);

    close(*window);
    EXPECT_EQ(ini().ReadInteger("MainForm", "Width", 0), wantWidth) << "written back as applied";
    EXPECT_EQ(ini().ReadInteger("MainForm", "Height", 0), wantHeight);
    EXPECT_EQ(ini().ReadInteger("MainForm", "Left", 0), row.wantLeft);
    EXPECT_EQ(ini().ReadInteger("MainForm", "Top", 0), row.wantTop);

    // The next start opens the same window again.
    window = start();
    EXPECT_EQ(window->size(), QSize(wantWidth, wantHeight));
    close(*window);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, MainFormGeometry, ::testing::Values(
    Geometry{"SizeThatFitsIsKept", 700, 500, 30, 20, 700, 500, 30, 20},
    Geometry{"HugeSizeIsBoundedByTheScreen", 999999, 999999, 30, 20, -1, -1, 30, 20},
    Geometry{"OnlyTheWidthTooLarge", 5000, 400, 0, 0, -1, 400, 0, 0},
    Geometry{"OnlyTheHeightTooLarge", 600, 40000, 0, 0, 600, -1, 0, 0},
    Geometry{"LargestNumbersAtTheFarEdge", 2147483647, 2147483647, 2147483647, 2147483647, -1, -1, 200, 130},
    Geometry{"HugeSizeOffTheScreenComesBackToTheDefaultPlace", 999999, 999999, -2147483647 - 1, 50, -1, -1, 200,
             130}),
    [](const ::testing::TestParamInfo<Geometry>& info) { return std::string(info.param.name); });
// clang-format on
