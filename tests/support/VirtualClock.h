#pragma once

#include "core/base/Clock.h"

#include <vector>

// A clock whose sleeps cost nothing: time moves only when the code under test sleeps.
class VirtualClock : public Clock {
public:
    void sleepMs(int ms) override {
        sleeps.push_back(ms);
        now_ += ms;
    }
    std::int64_t nowMs() override { return now_; }

    std::vector<int> sleeps;

private:
    std::int64_t now_ = 0;
};
