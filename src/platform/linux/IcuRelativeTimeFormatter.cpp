#include "IcuRelativeTimeFormatter.h"

#include <array>
#include <memory>
#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

namespace sonifix {

namespace {

struct Step {
    UCalendarDateFields field;
    URelativeDateTimeUnit unit;
};

// Largest first: the phrase names the first unit the distance fills at least once.
constexpr std::array<Step, 7> steps{{
    {UCAL_YEAR, UDAT_REL_UNIT_YEAR},
    {UCAL_MONTH, UDAT_REL_UNIT_MONTH},
    {UCAL_WEEK_OF_YEAR, UDAT_REL_UNIT_WEEK},
    {UCAL_DATE, UDAT_REL_UNIT_DAY},
    {UCAL_HOUR_OF_DAY, UDAT_REL_UNIT_HOUR},
    {UCAL_MINUTE, UDAT_REL_UNIT_MINUTE},
    {UCAL_SECOND, UDAT_REL_UNIT_SECOND},
}};

} // namespace

IcuRelativeTimeFormatter::IcuRelativeTimeFormatter(std::string localeName)
    : localeName(std::move(localeName)) {}

std::string IcuRelativeTimeFormatter::describe(std::chrono::system_clock::time_point date,
                                               std::chrono::system_clock::time_point relativeTo) {
    // Asked anew each time, so a locale the user changed while the app runs is followed.
    const icu::Locale locale =
        localeName.empty() ? icu::Locale::getDefault() : icu::Locale(localeName.c_str());
    UErrorCode status = U_ZERO_ERROR;
    icu::RelativeDateTimeFormatter formatter(locale, nullptr, UDAT_STYLE_LONG,
                                             UDISPCTX_CAPITALIZATION_NONE, status);
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(locale, status));
    if (U_FAILURE(status)) {
        return {};
    }

    // The distance in whole seconds, cut towards zero, so that 59.9 seconds are still 59 and a
    // few milliseconds read as 0 seconds, not as a fraction. It is taken in milliseconds, as
    // dates are stored: in nanoseconds, dates three centuries apart would overflow.
    using namespace std::chrono;
    const auto from = duration_cast<milliseconds>(relativeTo.time_since_epoch());
    const auto distance =
        duration_cast<seconds>(duration_cast<milliseconds>(date.time_since_epoch()) - from);
    const double to = double(from.count()) + 1000.0 * double(distance.count());
    calendar->setTime(double(from.count()), status);

    // The calendar walks from now towards the date, one unit after the other, so months and
    // years are counted as the user's calendar counts them.
    int32_t amount = 0;
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
    for (const auto& step : steps) {
        amount = calendar->fieldDifference(to, step.field, status);
        unit = step.unit;
        if (U_FAILURE(status) || amount != 0) {
            break;
        }
    }
    icu::UnicodeString phrase;
    formatter.formatNumeric(double(amount), unit, phrase, status);
    if (U_FAILURE(status)) {
        return {};
    }
    std::string text;
    return phrase.toUTF8String(text);
}

} // namespace sonifix
