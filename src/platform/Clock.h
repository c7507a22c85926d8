#pragma once

#include <chrono>

namespace sonifix {

// The time of day, for dates the user reads, and a clock that only moves forward, for deadlines.
// Any thread.
class Clock {
public:
    virtual ~Clock() = default;

    virtual std::chrono::system_clock::time_point now() = 0;
    virtual std::chrono::steady_clock::time_point steadyNow() = 0;
};

} // namespace sonifix
