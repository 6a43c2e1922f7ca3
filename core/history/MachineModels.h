#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// What the program knows of each machine model, keyed by type code (the low four bits of a record's type
// byte). The machine number text, the type drop-down of the dialogs and the tile pictures all read it here.
struct MachineModel {
    // The drawing at the top of a tile; two codes of the ball collector share one.
    enum class Picture { QC, VRN210, QF, QAE, QP, VRN75, QTE, QB, QG, VRN52, QG1 };

    std::uint8_t typeCode;
    std::string_view name;      // as the type drop-down shows it
    std::string_view fixedYear; // models that carry their year in their type name; empty: the number has one
    int comboIndex;             // place in the type drop-down
    std::uint8_t comboCode;     // the code choosing that drop-down item sets
    Picture picture;

    bool hasYearPart() const { return fixedYear.empty(); }
};

class MachineModels {
public:
    static constexpr int kComboItemCount = 11;

    // Every known model, by type code.
    static std::span<const MachineModel> all();
    // Nothing for the codes no model has (0, 8, 14, 15).
    static const MachineModel* find(std::uint8_t typeCode);
    // The start of a machine number text: the name, then "-" and the fixed year where the model has one;
    // empty for an unknown code.
    static std::string numberPrefix(std::uint8_t typeCode);
    // Whether a machine number text of this code carries a "-YY-" year part (unknown codes do).
    static bool hasYearPart(std::uint8_t typeCode);
    // The model a drop-down item stands for; nothing outside the drop-down.
    static const MachineModel* forComboIndex(int index);
};
