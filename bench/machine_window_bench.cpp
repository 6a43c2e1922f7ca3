// Opening a machine window: one of many records against one of a single record, in the same run. A window
// shows one tab at a time, so its cost should hardly grow with the records behind the other tabs.
//
//   machine_window_bench [records]     (default: 100)
//
// Runs offscreen. OSK_BENCH_ROUNDS (default 15) sets how many windows of each kind are opened; the medians
// are compared. The windows are opened as the machine list opens them, from a machine file loaded as at a
// start (its records read when the window opens), and from records already in memory. For scale it also
// times the same many-record window with every page of every tab built.

#include "core/database/DBMowerFile.h"
#include "core/history/FXUMowerLog.h"
#include "core/i18n/FXUStringTable.h"
#include "support/ScriptedPrompts.h"
#include "support/UnusedDirectory.h"
#include "tools/gen/HistoryGenerator.h"
#include "ui/MachineDirectory.h"
#include "ui/TChildForm.h"
#include "ui/history/TFXULogTab.h"

#include <QApplication>
#include <QTabWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

// Records of three zones and a full event ring: the most a tab can have to show.
std::unique_ptr<FXUMowerLog> machine(int records) {
    HistoryGenerator generator(20070503);
    auto mower = std::make_unique<FXUMowerLog>();
    for (int i = 0; i < records; ++i) {
        auto record = generator.record(HistoryFeatures{3, 4, 4, false, false, true});
        record->SetSerialNumber(0x00ABCDEF);
        const FXULogTime time(static_cast<std::uint16_t>(2000 + i / 300),
                              static_cast<std::uint8_t>(1 + i / 28 % 12),
                              static_cast<std::uint8_t>(1 + i % 28), 10, 0, 0);
        record->SetLogTime(time);
        mower->Insert(time, record);
    }
    return mower;
}

double openWindow(FXUMowerLog& mower, bool buildEverything) {
    UnusedDirectory directory;
    ScriptedPrompts prompts;
    const auto start = Clock::now();
    {
        TChildForm form(mower, "/db/00ABCDEF.dat", directory, prompts);
        form.resize(1000, 760);
        form.show();
        QApplication::processEvents();
        if (buildEverything)
            for (int i = 0; i < form.MainLogPageControl()->count(); ++i)
                for (int page = 0; page < TFXULogTab::kPages; ++page)
                    form.tab(i)->innerPages()->setCurrentIndex(page);
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A machine file summarised as at a start (untimed), then its records read and its window opened (timed).
double openFromFile(const std::string& path) {
    DBMowerFile file;
    file.SetFileName(path);
    if (!file.LoadSummary())
        throw std::runtime_error(file.lastError());
    UnusedDirectory directory;
    ScriptedPrompts prompts;
    const auto start = Clock::now();
    {
        if (!file.LoadRecords())
            throw std::runtime_error(file.lastError());
        TChildForm form(file.mowerLog(), path, directory, prompts);
        form.resize(1000, 760);
        form.show();
        QApplication::processEvents();
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string writeFile(FXUMowerLog& mower, const std::string& name) {
    const std::string path =
        (std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()) + ".dat"))
            .string();
    const std::string bytes = DBMowerFile::Serialize(mower);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    FXUStringTable::getInstance()->SetLanguage(0);
    const int records = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100;
    const char* roundsText = std::getenv("OSK_BENCH_ROUNDS");
    const int rounds = roundsText ? std::max(1, std::atoi(roundsText)) : 15;

    auto one = machine(1);
    auto many = machine(records);
    openWindow(*one, false); // the first window pays for fonts and styles
    const std::string oneFile = writeFile(*one, "osk-window-one");
    const std::string manyFile = writeFile(*many, "osk-window-many");
    std::vector<double> floor, lazy, floorFromFile, lazyFromFile;
    for (int round = 0; round < rounds; ++round) {
        floor.push_back(openWindow(*one, false));
        lazy.push_back(openWindow(*many, false));
        floorFromFile.push_back(openFromFile(oneFile));
        lazyFromFile.push_back(openFromFile(manyFile));
    }
    std::filesystem::remove(oneFile);
    std::filesystem::remove(manyFile);
    const double eager = openWindow(*many, true);
    const double floorMs = median(floor);
    const double lazyMs = median(lazy);
    std::printf("machine window of 1 record:     %8.2f ms (median of %d)\n", floorMs, rounds);
    std::printf("machine window of %d records: %8.2f ms (median of %d)  ratio %.2f x (goal: at most 3 x)\n",
                records, lazyMs, rounds, lazyMs / floorMs);
    std::printf("the same with every page built: %8.2f ms  ratio %.2f x\n", eager, eager / floorMs);
    const double fileFloorMs = median(floorFromFile);
    const double fileLazyMs = median(lazyFromFile);
    std::printf("from its machine file, 1 record:     %8.2f ms (median of %d)\n", fileFloorMs, rounds);
    std::printf(
        "from its machine file, %d records: %8.2f ms (median of %d)  ratio %.2f x (goal: at most 3 x), "
        "%+.2f ms to the window from memory (goal: at most +50 ms)\n",
        records, fileLazyMs, rounds, fileLazyMs / fileFloorMs, fileLazyMs - lazyMs);
    FXUStringTable::destroyInstance();
    return 0;
}
