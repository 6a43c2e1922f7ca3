#include "core/historyview/FXUPanelLayout.h"

#include <algorithm>

FXUPanelLayout::Split FXUPanelLayout::splitPanel(int width, int height, int parentBorder, int percent,
                                                 Direction direction) {
    const int b = BorderWidth(parentBorder);
    const int room = std::max(0, (direction == Direction::Horizontal ? width : height) - b);
    const int across = std::max(0, (direction == Direction::Horizontal ? height : width) - b);
    const int first = std::clamp(percent, 0, 100) * room / 100;
    if (direction == Direction::Horizontal)
        return {{b, b, first, across}, {b + first, b, room - first, across}};
    return {{b, b, across, first}, {b, b + first, across, room - first}};
}

int FXUPanelLayout::OptionShare(int globalCount, int zoneCount) {
    if (globalCount + zoneCount <= 0)
        return 50;
    return globalCount * 100 / (globalCount + zoneCount);
}

std::array<FXUPanelLayout::Panel, FXUPanelLayout::kPanels>
FXUPanelLayout::layoutPanels(int width, int height, int globalCount, int zoneCount) {
    struct Rule {
        int parent, first, second;
        Direction direction;
        int percent, firstBorder, secondBorder;
    };
    const Rule rules[] = {
        {0, 1, 2, Direction::Vertical, 70, 2, 2},
        {1, 3, 4, Direction::Horizontal, 30, kNoBorder, kNoBorder},
        {3, 5, 6, Direction::Vertical, 50, 2, 2},
        {4, 7, 8, Direction::Horizontal, 50, 2, kNoBorder},
        {8, 9, 10, Direction::Vertical, OptionShare(globalCount, zoneCount), 2, 2},
    };
    std::array<Panel, kPanels> panels{};
    panels[0] = {-1, {0, 0, std::max(0, width), std::max(0, height)}, kNoBorder};
    for (const Rule& rule : rules) {
        const Panel& parent = panels[static_cast<std::size_t>(rule.parent)];
        const Split split =
            splitPanel(parent.rect.width, parent.rect.height, parent.border, rule.percent, rule.direction);
        panels[static_cast<std::size_t>(rule.first)] = {rule.parent, split.first, rule.firstBorder};
        panels[static_cast<std::size_t>(rule.second)] = {rule.parent, split.second, rule.secondBorder};
    }
    return panels;
}
