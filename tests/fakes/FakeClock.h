#pragma once

#include "platform/Clock.h"

#include <atomic>

namespace sonifix::testing {

// Time stands still unless the test moves it.
class FakeClock final : public Clock {
public:
    std::chrono::system_clock::time_point now() override { return current; }
    std::chrono::steady_clock::time_point steadyNow() override {
        return std::chrono::steady_clock::time_point(elapsed.load());
    }

    // 2026-12-06 09:00:00 UTC
    std::chrono::system_clock::time_point current{std::chrono::seconds(1796547600)};
    std::atomic<std::chrono::steady_clock::duration> elapsed{std::chrono::hours(1)};
};

} // namespace sonifix::testing
