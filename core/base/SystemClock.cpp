#include "core/base/SystemClock.h"

#include <chrono>
#include <thread>

void SystemClock::sleepMs(int ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t SystemClock::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::yieldProcessor() {
    // Short against a byte on the wire (260 microseconds at 38400 baud), long enough to leave the core.
    std::this_thread::sleep_for(std::chrono::microseconds(100));
}
