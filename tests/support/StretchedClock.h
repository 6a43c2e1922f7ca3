#pragma once

#include "core/base/SystemClock.h"

// The real clock with the machine link's short waits made longer, for tests against the simulated machine
// in another process. The link gives a machine 10 ms to echo; a simulator's answer crosses the
// pseudo-terminal through a kernel worker that a busy test machine may hold back that long. Stretched, the
// waits keep their order and their outcome for a machine that answers, and a silent port stays silent. Waits
// of a second and more (the program's own) keep their length.
class StretchedClock : public SystemClock {
public:
    static constexpr int kFactor = 4;

    void sleepMs(int ms) override { SystemClock::sleepMs(ms < 1000 ? ms * kFactor : ms); }
};
