#pragma once

#include <cstdint>
#include <string_view>

class QComboBox;

// The machine type drop-down shared by the create and owner dialogs, read from the table of machine
// models: its item order, the type code each item sets and the codes that select it.
class MachineTypeTable {
public:
    // Replaces the combo's items with the models' names, in drop-down order.
    static void fill(QComboBox& combo);
    // -1 when the code selects no item.
    static int itemForCode(std::uint8_t typeCode);
    // 0 (a code that selects no item) for an index outside the drop-down.
    static std::uint8_t codeForItem(int index);
    // VRN210, VRN75 and VRN52 carry their year in their type name; the year field then shows it read-only.
    static bool hasFixedYear(std::uint8_t typeCode);
    // "26" or "27"; empty for a type without a fixed year.
    static std::string_view fixedYear(std::uint8_t typeCode);
};
