// Builds a demo database for a first look at the program, and an upgrade file to try the upgrade with.
//
//   orvane-demo-db DIR [MACHINES]                 (default 40 machines)
//   orvane-demo-db --upgrade-file FILE [ROWS]     (default 72 data rows of 64 bytes)

#include "core/base/AtomicFile.h"
#include "core/base/ToolOptions.h"
#include "tools/gen/DemoDatabase.h"
#include "tools/gen/SampleUpgrade.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

namespace {

constexpr const char* kUsage = "usage: orvane-demo-db DIR [MACHINES]\n"
                               "       orvane-demo-db --upgrade-file FILE [ROWS]\n";

int count(const char* text, int fallback) {
    return text ? std::max(1, std::atoi(text)) : fallback;
}

} // namespace

int main(int argc, char** argv) {
    if (const auto answered = ToolOptions::Answer(argc, argv, "orvane-demo-db", kUsage, std::cout))
        return *answered;
    if (argc < 2 || argc > 4 || (argc == 4 && std::string(argv[1]) != "--upgrade-file") ||
        (argc == 2 && std::string(argv[1]) == "--upgrade-file")) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        if (std::string(argv[1]) == "--upgrade-file") {
            const int rows = count(argc == 4 ? argv[3] : nullptr, 72);
            AtomicFile::write(argv[2], SampleUpgrade::Text("V5.20", rows, 64));
            std::printf("upgrade file %s: %d rows\n", argv[2], rows);
            return 0;
        }
        const int made = DemoDatabase::Write(argv[1], count(argc == 3 ? argv[2] : nullptr, 40));
        std::printf("%d machines in %s\n", made, argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "orvane-demo-db: %s\n", error.what());
        return 1;
    }
    return 0;
}
