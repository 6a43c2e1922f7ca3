// Builds a demo database for a first look at the program.
//
//   orvane-demo-db DIR [MACHINES]     (default 40 machines)

#include "tools/gen/DemoDatabase.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: orvane-demo-db DIR [MACHINES]\n");
        return 2;
    }
    try {
        const int made = DemoDatabase::Write(argv[1], argc == 3 ? std::max(1, std::atoi(argv[2])) : 40);
        std::printf("%d machines in %s\n", made, argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "orvane-demo-db: %s\n", error.what());
        return 1;
    }
    return 0;
}
