#pragma once

#include "platform/Clock.h"

namespace sonifix {

class SystemClock final : public Clock {
public:
    std::chrono::system_clock::time_point now() override {
        return std::chrono::system_clock::now();
    }
    std::chrono::steady_clock::time_point steadyNow() override {
        return std::chrono::steady_clock::now();
    }
};

} // namespace sonifix
