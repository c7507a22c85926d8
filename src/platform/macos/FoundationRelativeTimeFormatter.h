#pragma once

#include "platform/RelativeTimeFormatter.h"

namespace sonifix {

// NSRelativeDateTimeFormatter with every setting at its default: numeric style, full unit
// names, the user's locale.
class FoundationRelativeTimeFormatter final : public RelativeTimeFormatter {
public:
    std::string describe(std::chrono::system_clock::time_point date,
                         std::chrono::system_clock::time_point relativeTo) override;
};

} // namespace sonifix
