#pragma once

#include "core/base/Clock.h"

class SystemClock : public Clock {
public:
    void sleepMs(int ms) override;
    std::int64_t nowMs() override;
    void yieldProcessor() override; // 100 microseconds
};
