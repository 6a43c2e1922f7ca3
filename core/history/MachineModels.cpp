#include "core/history/MachineModels.h"

#include <array>
#include <string>

namespace {

using Picture = MachineModel::Picture;

// Codes 9 and 10 are both shown as QB; choosing QB sets 9.
constexpr std::array<MachineModel, 12> kModels{{
    {1, "QC", "", 1, 1, Picture::QC},
    {2, "VRN210", "26", 7, 2, Picture::VRN210},
    {3, "QF", "", 10, 3, Picture::QF},
    {4, "QA", "", 0, 4, Picture::QAE},
    {5, "QP", "", 2, 5, Picture::QP},
    {6, "VRN75", "26", 8, 6, Picture::VRN75},
    {7, "QT", "", 4, 7, Picture::QTE},
    {9, "QB", "", 3, 9, Picture::QB},
    {10, "QB", "", 3, 9, Picture::QB},
    {11, "QG", "", 5, 11, Picture::QG},
    {12, "VRN52", "27", 9, 12, Picture::VRN52},
    {13, "Q1", "", 6, 13, Picture::QG1},
}};

} // namespace

std::span<const MachineModel> MachineModels::all() {
    return kModels;
}

const MachineModel* MachineModels::find(std::uint8_t typeCode) {
    for (const MachineModel& model : kModels)
        if (model.typeCode == typeCode)
            return &model;
    return nullptr;
}

std::string MachineModels::numberPrefix(std::uint8_t typeCode) {
    const MachineModel* model = find(typeCode);
    if (!model)
        return {};
    std::string prefix(model->name);
    if (!model->hasYearPart())
        prefix.append("-").append(model->fixedYear);
    return prefix;
}

bool MachineModels::hasYearPart(std::uint8_t typeCode) {
    const MachineModel* model = find(typeCode);
    return !model || model->hasYearPart();
}

const MachineModel* MachineModels::forComboIndex(int index) {
    for (const MachineModel& model : kModels)
        if (model.comboIndex == index && model.comboCode == model.typeCode)
            return &model;
    return nullptr;
}
