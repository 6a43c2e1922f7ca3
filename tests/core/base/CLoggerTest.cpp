#include "core/base/CLogger.h"

#include "support/SharedState.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <ios>
#include <sstream>

using namespace std::string_literals;

namespace {

// A logger whose every entry is stamped 1 March, 09:05:03.07, so the written lines are known exactly.
LogEntry fixedStamp() {
    LogEntry e;
    e.year = 2026;
    e.day = 1;
    e.month = 3;
    e.hour = 9;
    e.minute = 5;
    e.second = 3;
    e.hundredths = 7;
    return e;
}

std::string numberedLines(int first, int count) {
    std::string content;
    for (int i = first; i < first + count; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "08/12 14H05m33s27 : line %d\r\n", i);
        content += line;
    }
    return content;
}

class CLoggerTest : public ::testing::Test {
protected:
    void TearDown() override { releaseEventLog(); }
    CLogger* fresh() {
        CLogger* logger = CLogger::getInstance();
        logger->setTimeSource(&fixedStamp);
        return logger;
    }
    // Writes the log as the shutdown does and returns what reached standard output.
    static std::string shutdown() {
        testing::internal::CaptureStdout();
        CLogger::destroyInstance();
        return testing::internal::GetCapturedStdout();
    }
    TempDir dir;
};

} // namespace

TEST(CLoggerFormat, LinesAreZeroPaddedAndTheTextStartsAtColumn21) {
    LogEntry e;
    e.day = 8, e.month = 12, e.hour = 14, e.minute = 5, e.second = 33, e.hundredths = 27;
    e.year = 1999;
    e.text = "Starting program";
    EXPECT_EQ(CLogger::formatLine(e), "08/12 14H05m33s27 : Starting program");
    EXPECT_EQ(CLogger::formatLine(e).substr(20), "Starting program");

    LogEntry early = fixedStamp();
    early.text = "x";
    EXPECT_EQ(CLogger::formatLine(early), "01/03 09H05m03s07 : x");
    // The year is not part of a line.
    early.year = 2001;
    EXPECT_EQ(CLogger::formatLine(early), "01/03 09H05m03s07 : x");
}

TEST_F(CLoggerTest, FirstRunWithoutFileStartsEmptyAndWritesItsOwnLinesAtShutdown) {
    const std::string file = dir.file("tool.log");
    CLogger* logger = fresh();
    EXPECT_EQ(CLogger::getInstance(), logger);
    try {
        logger->open(file);
        FAIL() << "a missing log must be reported";
    } catch (const std::ios_base::failure& error) {
        EXPECT_NE(std::string(error.what()).find("cannot open/create file log on opening"),
                  std::string::npos);
    }
    EXPECT_EQ(logger->fileName(), file);
    logger->log("Starting program");
    logger->log("No COM port !");

    EXPECT_EQ(shutdown(), "Appel du destructeur\n");
    EXPECT_EQ(TempDir::read(file),
              "01/03 09H05m03s07 : Starting program\r\n01/03 09H05m03s07 : No COM port !\r\n");
    EXPECT_TRUE(CLogger::getInstance()->entries().empty()) << "a new instance starts empty";
}

TEST_F(CLoggerTest, KeepsTheMostRecent200LinesAcrossRuns) {
    const std::string file = dir.file("tool.log");
    TempDir::write(file, numberedLines(1, 200));
    CLogger* logger = fresh();
    logger->open(file);
    ASSERT_EQ(logger->entries().size(), 200u);
    logger->log("Starting program");
    ASSERT_EQ(logger->entries().size(), 200u);
    EXPECT_EQ(logger->entries().front().text, "line 2");
    shutdown();
    EXPECT_EQ(TempDir::read(file), numberedLines(2, 199) + "01/03 09H05m03s07 : Starting program\r\n");

    // A run that logs nothing writes back exactly what it read.
    fresh()->open(file);
    const std::string before = TempDir::read(file);
    shutdown();
    EXPECT_EQ(TempDir::read(file), before);

    // 250 entries on top of nothing leave the last 200.
    TempDir::write(file, "");
    logger = fresh();
    logger->open(file);
    for (int i = 1; i <= 250; ++i)
        logger->log("entry " + std::to_string(i));
    ASSERT_EQ(logger->entries().size(), 200u);
    EXPECT_EQ(logger->entries().front().text, "entry 51");
    EXPECT_EQ(logger->entries().back().text, "entry 250");
}

TEST_F(CLoggerTest, ReadingBackSkipsBadLinesAndKeepsEveryGoodOne) {
    const std::string file = dir.file("tool.log");
    const std::string longText(400, 'L');
    const std::string content = "01/02 03H04m05s06 : first\r\n"
                                "xx/02 03H04m05s06 : typed by hand\r\n"
                                "01/02 03H04m0Zs06 : bad seconds\r\n"
                                "\r\n"
                                "31/12 23H59m59s99 : " +
                                longText +
                                "\r\n"
                                "garbage \x01\x02\xff\x00 binary\n"s +
                                "02/02 03H04m05s06 : lf only\n"
                                "03/02 03H04m05s06 : caf\xe9 \xe0 8-bit\r\n"
                                "04/02 03H04m05s06\r\n"
                                "05/02 03H04m05s06 : no final line end";
    TempDir::write(file, content);
    CLogger* logger = fresh();
    logger->open(file);
    const auto& entries = logger->entries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].text, "first");
    EXPECT_EQ(entries[0].day, 1);
    EXPECT_EQ(entries[0].month, 2);
    EXPECT_EQ(entries[0].hour, 3);
    EXPECT_EQ(entries[0].minute, 4);
    EXPECT_EQ(entries[0].second, 5);
    EXPECT_EQ(entries[0].hundredths, 6);
    // Only the first 255 characters of a line count.
    EXPECT_EQ(entries[1].text, std::string(255 - 20, 'L'));
    EXPECT_EQ(entries[1].hundredths, 99);
    EXPECT_EQ(entries[2].text, "lf only");
    EXPECT_EQ(entries[3].text, "caf\xe9 \xe0 8-bit");
    EXPECT_EQ(entries[4].text, "");

    shutdown();
    EXPECT_EQ(TempDir::read(file),
              "01/02 03H04m05s06 : first\r\n31/12 23H59m59s99 : " + std::string(235, 'L') +
                  "\r\n02/02 03H04m05s06 : lf only\r\n03/02 03H04m05s06 : caf\xe9 \xe0 8-bit\r\n"
                  "04/02 03H04m05s06 : \r\n");
}

TEST_F(CLoggerTest, AnOversizedEditedFileIsReadWholeAndShrinksOneLinePerEntry) {
    const std::string file = dir.file("tool.log");
    TempDir::write(file, numberedLines(1, 10000));
    CLogger* logger = fresh();
    logger->open(file);
    EXPECT_EQ(logger->entries().size(), 10000u);
    logger->log("a");
    logger->log("b");
    EXPECT_EQ(logger->entries().size(), 10000u);
    EXPECT_EQ(logger->entries().front().text, "line 3");
}

TEST_F(CLoggerTest, AFailedWriteRaisesDestroysTheInstanceAndLeavesNoDebris) {
    // A directory stands where the log file should be: it cannot be replaced.
    const std::string file = dir.file("tool.log");
    std::filesystem::create_directory(file);
    CLogger* logger = fresh();
    try {
        logger->open(file);
    } catch (const std::ios_base::failure&) {
    }
    logger->log("lost");
    testing::internal::CaptureStdout();
    EXPECT_THROW(CLogger::destroyInstance(), std::ios_base::failure);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Appel du destructeur\n");
    EXPECT_TRUE(CLogger::getInstance()->entries().empty()) << "the failed instance must be gone";
    EXPECT_TRUE(std::filesystem::is_directory(file));
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_FALSE(entry.is_regular_file()) << "left behind: " << entry.path();
}
