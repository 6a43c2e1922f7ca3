#pragma once

#include <cstdint>

// Time as the machine link and start-up use it: fixed sleeps and a monotonic millisecond count.
// Tests substitute a virtual clock so that waits cost nothing and are exact.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(int ms) = 0;
    virtual std::int64_t nowMs() = 0;
};
