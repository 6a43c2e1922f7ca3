#include "core/history/FXUOptionDecoder.h"

#include "core/history/FXULog.h"

#include <array>
#include <optional>

namespace {

bool bit(unsigned byte, int n) {
    return ((byte >> n) & 1) != 0;
}

struct Context {
    FXULog& record;
    std::array<FXUOptionSlot, FXULog::kOptionSlots>& slots;
    int zones;

    void global(int slot, std::optional<TextId> nameId, bool value, const char* fixedName = "") {
        FXUOptionSlot& s = slots[slot];
        s.present = true;
        s.perZone = false;
        s.nameId = nameId;
        s.fixedName = fixedName;
        s.values = {value, false, false};
    }
    void zoned(int slot, std::optional<TextId> nameId, const std::array<bool, 3>& values, bool perZone,
               const char* fixedName = "") {
        FXUOptionSlot& s = slots[slot];
        s.present = true;
        s.perZone = perZone;
        s.nameId = nameId;
        s.fixedName = fixedName;
        s.values = values;
        if (!perZone)
            s.values[1] = s.values[2] = false;
    }
};

} // namespace

void FXUOptionDecoder::Decode(FXULog& record) {
    record.options_.fill(FXUOptionSlot{});
    record.globalOptions_ = 0;
    record.zoneOptions_ = 0;
    const auto v = static_cast<std::int32_t>(record.firmwareVersion_);
    if (v <= 0 || record.typeByte_ == 0)
        return;
    if (record.layout_ == 1)
        decodeLayout1(record);
    else
        decodeLayouts2And3(record);
    for (const FXUOptionSlot& slot : record.options_)
        if (slot.present)
            ++(slot.perZone ? record.zoneOptions_ : record.globalOptions_);
}

void FXUOptionDecoder::decodeLayout1(FXULog& r) {
    Context c{r, r.options_, r.zoneCount()};
    const auto v = static_cast<std::int32_t>(r.firmwareVersion_);
    const unsigned type = r.typeByte_ & 0x0F;
    const bool collector = type == 9 || type == 10;
    const unsigned o = r.optionsByte_;

    c.global(0, v > 0x06052300 ? TextId::MultipleRobots : TextId::FastCharge, bit(o, 4));
    c.global(4, TextId::SilentCharge, bit(o, 6));
    if (collector)
        c.global(6, TextId::MultipleCollector, bit(o, v > 0x08040900 ? 3 : 5));
    c.global(8, TextId::PhaseInversion, bit(o, 0));
    c.global(9, TextId::CounterClockwiseStationSeek, bit(o, 7));
    const bool o10 = !collector && (v < 0x11090301 || v > 0x12112100);
    if (o10) {
        c.global(10, TextId::InversionHeadsDirection, bit(o, 3));
        // Later firmware moved the two options to each other's bits.
        if (v > 0x08071600) {
            c.global(9, TextId::InversionHeadsDirection, bit(o, 3));
            c.global(10, TextId::CounterClockwiseStationSeek, bit(o, 7));
        }
    }
    c.global(11, TextId::ChargeOnTwoSides, bit(o, 1));
    if (v < 0x11090301)
        c.global(12, TextId::StationCapture, bit(o, 2));
    if (v >= 0x08040902)
        c.global(13, TextId::UShapeReturn, bit(o, 5));
}

void FXUOptionDecoder::decodeLayouts2And3(FXULog& r) {
    Context c{r, r.options_, r.zoneCount()};
    const unsigned type = r.typeByte_ & 0x0F;
    const bool collector = type == 9 || type == 10;
    const unsigned h = r.hardwareCode();
    const bool layout3 = r.layout_ == 3;
    const auto& image = r.image_;
    const unsigned o = r.optionsByte_;

    // Global options: hardware 4 keeps them all in the options byte, hardware 3 spreads them over bytes
    // 0 to 2; other hardware has no defined place, so they show as clear.
    auto b = [&](int k) -> unsigned { return h == 4 ? o : h == 3 ? image[k] : 0; };
    const bool hw4 = h == 4;
    c.global(0, TextId::MultipleRobots, bit(b(0), 4));
    c.global(4, TextId::SilentCharge, bit(b(1), hw4 ? 6 : 4));
    if (collector)
        c.global(6, TextId::MultipleCollector, bit(b(1), hw4 ? 3 : 0));
    c.global(8, TextId::PhaseInversion, bit(b(0), 0));
    if (collector)
        c.global(9, std::nullopt, bit(b(1), hw4 ? 3 : 0), "Go back and offload");
    else
        c.global(9, TextId::InversionHeadsDirection, bit(b(1), hw4 ? 3 : 0));

    auto zoneBits = [&](int n) {
        std::array<bool, 3> values{};
        for (int z = 0; z < c.zones && z < 3; ++z)
            values[z] = bit(r.zoneOptionBytes_[z], n);
        return values;
    };
    c.zoned(10, TextId::CounterClockwiseStationSeek, zoneBits(7), layout3);
    c.zoned(11, TextId::ChargeOnTwoSides, zoneBits(1), layout3);
    c.zoned(13, TextId::UShapeReturn, zoneBits(5), layout3);
    c.zoned(15, std::nullopt, zoneBits(3), layout3, "TimerOff");
    if (layout3) {
        c.global(16, std::nullopt, bit(b(2), hw4 ? 5 : 0), "Multizones");
        c.zoned(17, std::nullopt, zoneBits(6), true, "Enable Zone");
    }
    if (h >= 4)
        c.global(18, std::nullopt, bit(o, 7), "Keyboard Lock");
}
