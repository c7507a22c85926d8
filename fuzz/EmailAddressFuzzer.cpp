#include "signup/EmailAddress.h"
#include "support/Utf8.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace {

// The address pattern as the platform's regular expressions (ICU) read it, anchored at the very
// end: ICU's '$' also matches before a final line break, and an address must be the whole text.
bool matchesPattern(const icu::UnicodeString& text) {
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexPattern> compiled(
            icu::RegexPattern::compile(u"^[^\\s@<>]+@[^\\s@<>]+\\.[^\\s@<>]+\\z", 0, status));
        if (U_FAILURE(status)) {
            std::abort();
        }
        return compiled;
    }();
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(text, status));
    const bool found = matcher->find(status);
    if (U_FAILURE(status)) {
        std::abort();
    }
    return found;
}

// Trimming cuts the tab and the space separators (Zs), nothing else.
bool isTrimmed(UChar32 c) {
    return c == '\t' || u_charType(c) == U_SPACE_SEPARATOR;
}

} // namespace

// Typed text always arrives as well-formed UTF-8; other bytes must only not crash.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    const auto address = sonifix::email_address::trimmed(typed);
    const bool valid = sonifix::email_address::looksValid(address);
    if (sonifix::utf8::repaired(typed) != typed) {
        return 0;
    }

    const auto whole = icu::UnicodeString::fromUTF8(typed);
    std::int32_t first = 0;
    std::int32_t last = whole.length();
    while (first < last && isTrimmed(whole.char32At(first))) {
        first = whole.moveIndex32(first, 1);
    }
    while (last > first && isTrimmed(whole.char32At(whole.moveIndex32(last, -1)))) {
        last = whole.moveIndex32(last, -1);
    }
    std::string expected;
    whole.tempSubStringBetween(first, last).toUTF8String(expected);
    if (address != expected) {
        std::abort();
    }
    if (valid != matchesPattern(icu::UnicodeString::fromUTF8(address))) {
        std::abort();
    }
    return 0;
}
