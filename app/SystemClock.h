#pragma once

#include "app/Clock.h"

class SystemClock : public Clock {
public:
    void sleepMs(int ms) override;
    std::int64_t nowMs() override;
};
