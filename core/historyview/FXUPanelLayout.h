#pragma once

#include "core/historyview/FXUGeometry.h"

#include <array>

// Where the panels P0 to P10 of a history tab's "Machine information" page go: P0 fills the page and each
// split gives two children fixed shares of their parent, so the boxes keep their proportions at any size.
class FXUPanelLayout {
public:
    static constexpr int kPanels = 11;
    static constexpr int kNoBorder = -1;
    enum class Direction { Horizontal, Vertical };

    struct Panel {
        int parent = -1; // none for P0
        FXURect rect;    // in the parent's coordinates
        int border = kNoBorder;

        bool operator==(const Panel&) const = default;
    };
    struct Split {
        FXURect first;
        FXURect second;
    };

    // The space a border takes on each side: none for a panel without one.
    static int BorderWidth(int border) { return border < 0 ? 0 : border; }
    // Two children inside a parent of that size with that border width: the first takes percent of the
    // room, the second the rest. A parent too small for its border gives children of no size.
    static Split splitPanel(int width, int height, int parentBorder, int percent, Direction direction);
    // The share of the option panel P8 that the global options P9 take: their part of all options listed.
    static int OptionShare(int globalCount, int zoneCount);
    static std::array<Panel, kPanels> layoutPanels(int width, int height, int globalCount, int zoneCount);
};
