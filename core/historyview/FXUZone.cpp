#include "core/historyview/FXUZone.h"

namespace {

constexpr FXUZone kZones[3] = {
    {"Zone A", "A", {255, 0, 0}},
    {"Zone B", "B", {0, 0, 255}},
    {"Zone C", "C", {0, 128, 0}},
};

} // namespace

const FXUZone& FXUZone::Of(int zone) {
    return kZones[zone < 0 ? 0 : zone > 2 ? 2 : zone];
}
