#include "core/history/FXULogLayout.h"

namespace {

// clang-format off
constexpr FXULogLayout kLayouts[3] = {
    // no  zones lang4 langX zopt4 zoptX sleep n   shown stride params n  shown  perZone flags  sys  n    events
    {1,   1,    1,    1,    0,    0,    12,   4,  4,    4,     120,   12, 0,     false,  false, 132, 124, 256},
    {2,   1,    1,    3,    2,    0,    168,  7,  5,    7,     120,   16, 10,    false,  true,  232, 88,  320},
    {3,   3,    1,    3,    2,    0,    168,  21, 5,    7,     120,   16, 11,    true,   true,  232, 88,  320},
};
// clang-format on

} // namespace

int FXULogLayout::NumberForVersion(std::uint32_t v) {
    const unsigned major = v >> 24;
    const unsigned minor = (v >> 16) & 0xFF;
    const unsigned build = (v >> 8) & 0xFF;
    const unsigned variant = v & 0xFF;
    if (v == 0 || minor > 18 || build > 49 || major < 5 || major > 21)
        return 0;
    if (v < 0x13020101)
        return 1;
    if (v >= 0x13031400 && (variant & 0x80) == 0)
        return 2;
    return 3;
}

const FXULogLayout* FXULogLayout::ForVersion(std::uint32_t v) {
    const int number = NumberForVersion(v);
    return number == 0 ? nullptr : &kLayouts[number - 1];
}
