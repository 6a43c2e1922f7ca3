#include "ui/MachineTypeTable.h"

#include "core/history/MachineModels.h"

#include <QComboBox>
#include <QString>

void MachineTypeTable::fill(QComboBox& combo) {
    combo.clear();
    for (int index = 0; index < MachineModels::kComboItemCount; ++index) {
        const std::string_view name = MachineModels::forComboIndex(index)->name;
        combo.addItem(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    }
}

int MachineTypeTable::itemForCode(std::uint8_t typeCode) {
    const MachineModel* model = MachineModels::find(typeCode);
    return model ? model->comboIndex : -1;
}

std::uint8_t MachineTypeTable::codeForItem(int index) {
    const MachineModel* model = MachineModels::forComboIndex(index);
    return model ? model->comboCode : 0;
}

bool MachineTypeTable::hasFixedYear(std::uint8_t typeCode) {
    return !fixedYear(typeCode).empty();
}

std::string_view MachineTypeTable::fixedYear(std::uint8_t typeCode) {
    const MachineModel* model = MachineModels::find(typeCode);
    return model ? model->fixedYear : std::string_view{};
}
