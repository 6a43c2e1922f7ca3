#include "ui/MachineTypeTable.h"

#include <QComboBox>
#include <QString>

namespace {

constexpr std::array<MachineTypeTable::Item, MachineTypeTable::kItemCount> kItems{{
    {"QA", 4, 0},
    {"QC", 1, 0},
    {"QP", 5, 0},
    {"QB", 9, 10},
    {"QT", 7, 0},
    {"QG", 11, 0},
    {"Q1", 13, 0},
    {"VRN210", 2, 0},
    {"VRN75", 6, 0},
    {"VRN52", 12, 0},
    {"QF", 3, 0},
}};

} // namespace

const std::array<MachineTypeTable::Item, MachineTypeTable::kItemCount>& MachineTypeTable::items() {
    return kItems;
}

void MachineTypeTable::fill(QComboBox& combo) {
    combo.clear();
    for (const Item& item : kItems)
        combo.addItem(QString::fromLatin1(item.text.data(), static_cast<qsizetype>(item.text.size())));
}

int MachineTypeTable::itemForCode(std::uint8_t typeCode) {
    if (typeCode == 0)
        return -1; // 0 marks "no second code" in the table
    for (int index = 0; index < kItemCount; ++index) {
        const Item& item = kItems[static_cast<std::size_t>(index)];
        if (item.typeCode == typeCode || item.alsoSelectedBy == typeCode)
            return index;
    }
    return -1;
}

std::uint8_t MachineTypeTable::codeForItem(int index) {
    if (index < 0 || index >= kItemCount)
        return 0;
    return kItems[static_cast<std::size_t>(index)].typeCode;
}

bool MachineTypeTable::hasFixedYear(std::uint8_t typeCode) {
    return !fixedYear(typeCode).empty();
}

std::string_view MachineTypeTable::fixedYear(std::uint8_t typeCode) {
    switch (typeCode) {
    case 2:
    case 6:
        return "26";
    case 12:
        return "27";
    default:
        return {};
    }
}
