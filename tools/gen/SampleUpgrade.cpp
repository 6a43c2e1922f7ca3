#include "tools/gen/SampleUpgrade.h"

#include <random>
#include <stdexcept>

std::string SampleUpgrade::Text(const std::string& version, int dataRows, int bytesPerRow,
                                std::uint32_t seed) {
    if (version.size() != 5 || dataRows < 0 || bytesPerRow < 0 || bytesPerRow > 303)
        throw std::invalid_argument("no upgrade file has these rows");
    // Most of a firmware is the main program; the other two sections are small.
    const int fir = dataRows / 4;
    const int ext = dataRows / 8;
    const int main = dataRows - fir - ext;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::mt19937 rng(seed);
    std::string text = version + "[TAG]\r\n";
    const auto section = [&](const char* header, int rows) {
        text += header;
        text += "\r\n";
        for (int r = 0; r < rows; ++r) {
            for (int b = 0; b < bytesPerRow; ++b) {
                const unsigned byte = rng() & 0xFFu;
                text += kDigits[byte >> 4];
                text += kDigits[byte & 0x0F];
            }
            text += "\r\n";
        }
    };
    section("[MAIN]", main);
    section("[FIR]", fir);
    section("[EXT]", ext);
    return text;
}
