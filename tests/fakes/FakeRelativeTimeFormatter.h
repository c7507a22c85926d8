#pragma once

#include "platform/RelativeTimeFormatter.h"

namespace sonifix::testing {

// Whole minutes in the past: enough to see which dates were compared.
class FakeRelativeTimeFormatter final : public RelativeTimeFormatter {
public:
    std::string describe(std::chrono::system_clock::time_point date,
                         std::chrono::system_clock::time_point relativeTo) override {
        return std::to_string(
                   std::chrono::duration_cast<std::chrono::minutes>(relativeTo - date).count()) +
               " minutes ago";
    }
};

} // namespace sonifix::testing
