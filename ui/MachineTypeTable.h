#pragma once

#include <array>
#include <cstdint>
#include <string_view>

class QComboBox;

// The machine type drop-down shared by the create and owner dialogs: fixed item order, the type code each
// item sets and the codes that select it. Codes 9 and 10 are both shown as QB; codes 0, 8, 14 and 15
// select no item.
class MachineTypeTable {
public:
    struct Item {
        std::string_view text;
        std::uint8_t typeCode;       // set when the item is chosen
        std::uint8_t alsoSelectedBy; // a second code shown as this item; 0 for none
    };
    static constexpr int kItemCount = 11;
    static const std::array<Item, kItemCount>& items(); // by item index

    // Replaces the combo's items with the table's, in its order.
    static void fill(QComboBox& combo);
    // -1 when the code selects no item.
    static int itemForCode(std::uint8_t typeCode);
    // 0 (a code that selects no item) for an index outside the table.
    static std::uint8_t codeForItem(int index);
    // VRN210, VRN75 and VRN52 carry their year in their type name; the year field then shows it read-only.
    static bool hasFixedYear(std::uint8_t typeCode);
    // "26" or "27"; empty for a type without a fixed year.
    static std::string_view fixedYear(std::uint8_t typeCode);
};
