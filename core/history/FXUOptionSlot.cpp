#include "core/history/FXUOptionSlot.h"

#include "core/i18n/FXUStringTable.h"

#include <cstdio>

std::string FXUOptionSlot::label(int slot) const {
    if (!present)
        return {};
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "O%3.3d: ", slot);
    if (nameId)
        return prefix + FXUStringTable::getInstance()->Text(*nameId);
    return prefix + std::string(fixedName);
}
