#pragma once

#include "core/historyview/FXUGeometry.h"

// How every view of the sleep hours and settings names and colours a zone.
struct FXUZone {
    const char* name;   // "Zone A"
    const char* letter; // "A"
    FXURgb colour;

    static constexpr FXURgb kBlack{0, 0, 0};
    // Zones 0 to 2; a number outside them gets the nearest of the three.
    static const FXUZone& Of(int zone);
};
