#pragma once

#include "platform/RelativeTimeFormatter.h"

namespace sonifix::testing {

// English, whole units, past only: enough to see which dates were compared.
class FakeRelativeTimeFormatter final : public RelativeTimeFormatter {
public:
    std::string describe(std::chrono::system_clock::time_point date,
                         std::chrono::system_clock::time_point relativeTo) override {
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(relativeTo - date).count();
        const auto phrase = [](long long count, const char* unit) {
            return std::to_string(count) + " " + unit + (count == 1 ? "" : "s") + " ago";
        };
        if (seconds < 60) {
            return phrase(seconds, "second");
        }
        if (seconds < 3600) {
            return phrase(seconds / 60, "minute");
        }
        return phrase(seconds / 3600, "hour");
    }
};

} // namespace sonifix::testing
