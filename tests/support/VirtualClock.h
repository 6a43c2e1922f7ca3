#pragma once

#include "core/base/Clock.h"

#include <vector>

// A clock whose sleeps cost nothing: time moves only when the code under test sleeps or yields. A yield
// counts as 100 microseconds, as on the real clock.
class VirtualClock : public Clock {
public:
    static constexpr std::int64_t kYieldMicroseconds = 100;

    void sleepMs(int ms) override {
        sleeps.push_back(ms);
        nowUs_ += static_cast<std::int64_t>(ms) * 1000;
    }
    std::int64_t nowMs() override { return nowUs_ / 1000; }
    void yieldProcessor() override {
        ++yields;
        nowUs_ += kYieldMicroseconds;
    }
    std::int64_t nowUs() const { return nowUs_; }

    std::vector<int> sleeps;
    long long yields = 0;

private:
    std::int64_t nowUs_ = 0;
};
