#pragma once

#include <cstdint>

// Time as the machine link and start-up use it: fixed sleeps and a monotonic millisecond count.
// Tests substitute a virtual clock so that waits cost nothing and are exact.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(int ms) = 0;
    virtual std::int64_t nowMs() = 0;
    // Lets other work run for a moment (well under a millisecond) between two queries of a busy wait, so
    // the wait is bounded by time and does not hold the processor. Time always moves on.
    virtual void yieldProcessor() { sleepMs(1); }
};
