#pragma once

#include "platform/Clock.h"

namespace sonifix::testing {

class FakeClock final : public Clock {
public:
    std::chrono::system_clock::time_point now() override { return current; }

    // 2026-12-06 09:00:00 UTC
    std::chrono::system_clock::time_point current{std::chrono::seconds(1796547600)};
};

} // namespace sonifix::testing
