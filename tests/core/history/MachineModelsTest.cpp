#include "core/history/MachineModels.h"

#include <gtest/gtest.h>
#include <set>

TEST(MachineModels, TheDropDownAndTheNumberTextsReadOneConsistentTable) {
    std::set<int> codes;
    for (const MachineModel& model : MachineModels::all()) {
        EXPECT_TRUE(codes.insert(model.typeCode).second) << "one row per code: " << int(model.typeCode);
        EXPECT_EQ(MachineModels::find(model.typeCode), &model);
        // Choosing the item a code is shown as must give back a code shown as the same item.
        const MachineModel* chosen = MachineModels::find(model.comboCode);
        ASSERT_NE(chosen, nullptr) << int(model.typeCode);
        EXPECT_EQ(chosen->comboIndex, model.comboIndex) << int(model.typeCode);
        EXPECT_EQ(chosen->name, model.name) << int(model.typeCode);
    }
    for (int index = 0; index < MachineModels::kComboItemCount; ++index)
        ASSERT_NE(MachineModels::forComboIndex(index), nullptr) << index;
    EXPECT_EQ(MachineModels::forComboIndex(-1), nullptr);
    EXPECT_EQ(MachineModels::forComboIndex(MachineModels::kComboItemCount), nullptr);
    EXPECT_EQ(MachineModels::forComboIndex(3)->typeCode, 9) << "QB is chosen as 9, never as 10";

    for (int code : {0, 8, 14, 15, 255}) {
        EXPECT_EQ(MachineModels::find(static_cast<std::uint8_t>(code)), nullptr) << code;
        EXPECT_EQ(MachineModels::numberPrefix(static_cast<std::uint8_t>(code)), "") << code;
        EXPECT_TRUE(MachineModels::hasYearPart(static_cast<std::uint8_t>(code))) << code;
    }
    EXPECT_EQ(MachineModels::numberPrefix(2), "VRN210-26");
    EXPECT_EQ(MachineModels::numberPrefix(12), "VRN52-27");
    EXPECT_EQ(MachineModels::numberPrefix(10), "QB");
    EXPECT_FALSE(MachineModels::hasYearPart(6));
}
