#pragma once

#include <QMenu>
#include <utility>
#include <vector>

// A child window whose menus join the main window's menu bar while it is active, ordered by group index.
class MenuMergeSource {
public:
    virtual ~MenuMergeSource() = default;
    virtual std::vector<std::pair<int, QMenu*>> mergedMenus() const = 0;
};
