#pragma once

#include "platform/UuidSource.h"

#include <atomic>
#include <cstdio>

namespace sonifix::testing {

// Counts up: 00000000-0000-4000-8000-000000000001, ...02, ...
class FakeUuidSource final : public UuidSource {
public:
    std::string makeUuid() override {
        char text[40];
        std::snprintf(text, sizeof text, "00000000-0000-4000-8000-%012llX",
                      static_cast<unsigned long long>(++made));
        return text;
    }

private:
    std::atomic<unsigned long long> made{0};
};

} // namespace sonifix::testing
