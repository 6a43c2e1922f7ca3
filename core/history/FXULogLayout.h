#pragma once

#include <cstdint>

// Where each section of the 8192-byte history image lies. The firmware version alone chooses one of
// three layouts; versions outside the accepted ranges get none (layout 0: the image is not decoded).
struct FXULogLayout {
    int number;
    int zones;
    // Positions that depend on the hardware code (ident[2]): 4, or anything else.
    int languageOffsetHw4;
    int languageOffsetOther;
    int zoneOptionBaseHw4; // zone z's option byte is at base + z
    int zoneOptionBaseOther;
    int sleepOffset;
    int sleepStored;       // 3-byte entries in the image
    int sleepShownPerZone; // ranges each zone shows
    int sleepStride;       // first entry of zone z is z * stride
    int parameterOffset;
    int parametersStored;   // per zone
    int parametersShown;    // 0: from ident[1] (7 below 6, else ident[1] + 2)
    bool parametersPerZone; // zone z's set follows zone z-1's, parameter 5 excepted
    bool perZoneFlags;      // every parameter but 5 is marked as one value per zone
    int systemOffset;
    int systemCount;
    int eventStart; // the ring runs from here to the end of the image

    static constexpr int kCommonParameter = 5;

    static int NumberForVersion(std::uint32_t firmwareVersion);
    static const FXULogLayout* ForVersion(std::uint32_t firmwareVersion); // nullptr for layout 0
};
