#pragma once

#include <chrono>
#include <string>

namespace sonifix {

// States the distance between two dates in the user's language, numerically and with full unit
// names ("5 minutes ago").
class RelativeTimeFormatter {
public:
    virtual ~RelativeTimeFormatter() = default;

    virtual std::string describe(std::chrono::system_clock::time_point date,
                                 std::chrono::system_clock::time_point relativeTo) = 0;
};

} // namespace sonifix
