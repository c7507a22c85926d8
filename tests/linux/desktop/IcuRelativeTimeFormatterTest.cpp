#include "platform/linux/IcuRelativeTimeFormatter.h"

#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;

class IcuRelativeTime : public ::testing::Test {
protected:
    void SetUp() override {
        UErrorCode status = U_ZERO_ERROR;
        saved = icu::Locale::getDefault();
        icu::Locale::setDefault(icu::Locale("en"), status);
        ASSERT_TRUE(U_SUCCESS(status));
        // Days and months are counted in the user's time zone; a fixed one keeps the count
        // free of daylight saving changes.
        icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("UTC"));
    }
    void TearDown() override {
        UErrorCode status = U_ZERO_ERROR;
        icu::Locale::setDefault(saved, status);
    }

    // Wednesday 12 June 2024, 12:00 UTC.
    const std::chrono::system_clock::time_point now{std::chrono::seconds(1718193600)};
    icu::Locale saved;
};

TEST_F(IcuRelativeTime, NamesTheLargestWholeUnitWithANumber) {
    IcuRelativeTimeFormatter formatter;
    EXPECT_EQ(formatter.describe(now - 5min, now), "5 minutes ago");
    EXPECT_EQ(formatter.describe(now - 2h - 59min, now), "2 hours ago");
    EXPECT_EQ(formatter.describe(now - 1s, now), "1 second ago");
    EXPECT_EQ(formatter.describe(now - 59s - 900ms, now), "59 seconds ago");
    EXPECT_EQ(formatter.describe(now - 24h, now), "1 day ago"); // never "yesterday"
    EXPECT_EQ(formatter.describe(now - 3 * 24h, now), "3 days ago");
    EXPECT_EQ(formatter.describe(now - 15 * 24h, now), "2 weeks ago");
    EXPECT_EQ(formatter.describe(now - 45 * 24h, now), "1 month ago");
    EXPECT_EQ(formatter.describe(now - 800 * 24h, now), "2 years ago");
}

TEST_F(IcuRelativeTime, NowAndTheFutureReadAsSuch) {
    IcuRelativeTimeFormatter formatter;
    EXPECT_EQ(formatter.describe(now, now), "in 0 seconds");
    EXPECT_EQ(formatter.describe(now + 5min, now), "in 5 minutes");
    EXPECT_EQ(formatter.describe(now + 3 * 24h, now), "in 3 days");
}

TEST_F(IcuRelativeTime, ADateCenturiesAgoReadsAsYears) {
    // As a damaged preferences file may hold them: further from today than nanoseconds can count.
    IcuRelativeTimeFormatter formatter;
    const std::chrono::system_clock::time_point june1730{std::chrono::seconds(-7559611200)};
    EXPECT_EQ(formatter.describe(june1730, now), "294 years ago");
}

TEST_F(IcuRelativeTime, SpeaksTheUsersLanguage) {
    EXPECT_EQ(IcuRelativeTimeFormatter("de").describe(now - 5min, now), "vor 5 Minuten");
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale("de_DE"), status);
    IcuRelativeTimeFormatter formatter;
    EXPECT_EQ(formatter.describe(now - 2h, now), "vor 2 Stunden");
    EXPECT_EQ(formatter.describe(now + 3 * 24h, now), "in 3 Tagen");
}

} // namespace
} // namespace sonifix
