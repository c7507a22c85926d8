#include "platform/linux/IcuRelativeTimeFormatter.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::system_clock;

// Wednesday 12 June 2024, 12:00 UTC.
const Clock::time_point now{std::chrono::seconds(1718193600)};

TEST(IcuRelativeTime, NamesTheLargestWholeUnitWithANumberPastAndFutureInTheUsersLanguage) {
    // Days and months are counted in the user's time zone; a fixed one keeps the count free of
    // daylight saving changes.
    icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("UTC"));
    const std::vector<std::pair<Clock::time_point, std::string>> cases{
        {now - 5min, "5 minutes ago"},
        {now - 2h - 59min, "2 hours ago"},
        {now - 59s - 900ms, "59 seconds ago"},
        {now - 24h, "1 day ago"}, // never "yesterday"
        {now - 15 * 24h, "2 weeks ago"},
        {now - 45 * 24h, "1 month ago"},
        {now - 800 * 24h, "2 years ago"},
        // As a damaged preferences file may hold it: further from today than nanoseconds count.
        {Clock::time_point{std::chrono::seconds(-7559611200)}, "294 years ago"},
        {now, "in 0 seconds"},
        {now + 3 * 24h, "in 3 days"},
    };
    IcuRelativeTimeFormatter formatter("en");
    for (const auto& [when, text] : cases) {
        EXPECT_EQ(formatter.describe(when, now), text);
    }

    // Without a language of its own, the user's as it is at the time.
    const auto users = icu::Locale::getDefault();
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("de_DE"), status);
    EXPECT_EQ(IcuRelativeTimeFormatter().describe(now - 5min, now), "vor 5 Minuten");
    icu::Locale::setDefault(users, status);
}

} // namespace
} // namespace sonifix
