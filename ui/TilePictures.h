#pragma once

#include <QImage>
#include <cstdint>

// The pictures at the top of the machine tiles, one per model family, drawn here so that they stay our
// own and need no resource files. White ground, 48 x 48 pixels; the wide VRN210 is 80 x 48.
class TilePictures {
public:
    static constexpr int kHeight = 48;
    static constexpr int kWidth = 48;
    static constexpr int kWideWidth = 80;

    // The picture for a machine type code; a null image for the codes that have none (0, 8, 14, 15, ...).
    static QImage forType(std::uint8_t typeCode);
};
