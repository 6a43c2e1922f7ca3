#pragma once

#include <cstdint>

// Pixels as the history tab's windows place and paint them: a rectangle covers x .. x + width - 1 and
// y .. y + height - 1.
struct FXURect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    // The rectangle "from (left, top) to (right, bottom)", the far edges outside it.
    static FXURect FromCorners(int left, int top, int right, int bottom) {
        return {left, top, right - left, bottom - top};
    }
    int right() const { return x + width; } // the first column outside
    int bottom() const { return y + height; }
    bool operator==(const FXURect&) const = default;
};

struct FXURgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const FXURgb&) const = default;
};
