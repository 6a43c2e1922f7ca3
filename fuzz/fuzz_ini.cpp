// The settings file on any content: every setting reads without fault, and a setting written into the
// file reads back as written while the dealer's other lines stay readable.

#include "core/base/AppSettings.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

std::string scratchFile() {
    const std::filesystem::path dir = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    return (dir / ("osk-fuzz-" + std::to_string(::getpid()) + ".INI")).string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = scratchFile();
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    AppSettings settings(file);
    (void)settings.Height();
    (void)settings.Width();
    (void)settings.Top();
    (void)settings.Left();
    (void)settings.Language();
    (void)settings.SortByName();
    (void)settings.AutoCom();
    const std::string dbPath = settings.DbPath();
    (void)settings.Port();

    settings.SetPort("ttyUSB0");
    settings.SetHeight(612);
    if (settings.Port() != "ttyUSB0" || settings.Height() != 612)
        std::abort();
    // Writing one key must not lose another.
    if (settings.DbPath() != dbPath)
        std::abort();
    return 0;
}
