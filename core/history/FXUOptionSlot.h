#pragma once

#include "core/i18n/TextId.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// One of the 19 option slots O000..O018 of a decoded record.
struct FXUOptionSlot {
    bool present = false;
    bool perZone = false;
    std::optional<TextId> nameId; // catalogue text naming the option
    const char* fixedName = "";   // English name used when there is no catalogue text
    std::array<bool, 3> values{}; // one per zone; a global slot uses zone 0

    // "O004: Silent Charge" in the catalogue's current language.
    std::string label(int slot) const;
};
