#pragma once

#include "platform/RelativeTimeFormatter.h"

#include <string>

namespace sonifix {

// ICU's relative date-time formatter: long unit names, always a number ("1 day ago", never
// "yesterday"), in the largest calendar unit that the distance fills at least once.
class IcuRelativeTimeFormatter final : public RelativeTimeFormatter {
public:
    // An empty name means ICU's default locale, the one the user's environment chose.
    explicit IcuRelativeTimeFormatter(std::string localeName = {});

    // Nothing (an empty text) when ICU lacks what it needs for the locale.
    std::string describe(std::chrono::system_clock::time_point date,
                         std::chrono::system_clock::time_point relativeTo) override;

private:
    std::string localeName;
};

} // namespace sonifix
