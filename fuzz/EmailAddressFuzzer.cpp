#include "signup/EmailAddress.h"
#include "support/Utf8.h"

#include <cstdint>
#include <cstdlib>
#include <unicode/regex.h>

// Typed text always arrives as well-formed UTF-8; other bytes must only not crash. The reference
// is the platform's regular expressions (ICU): trimming cuts the tab and the space separators
// (Zs), nothing else, and the address pattern must span the whole trimmed text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    const auto address = sonifix::email_address::trimmed(typed);
    const bool valid = sonifix::email_address::looksValid(address);
    if (sonifix::utf8::repaired(typed) != typed) {
        return 0;
    }

    static UErrorCode status = U_ZERO_ERROR;
    static icu::RegexMatcher padded(u"[\\t\\p{Zs}]*(.*?)[\\t\\p{Zs}]*", UREGEX_DOTALL, status);
    static icu::RegexMatcher pattern(u"[^\\s@<>]+@[^\\s@<>]+\\.[^\\s@<>]+", 0, status);
    const auto text = icu::UnicodeString::fromUTF8(typed);
    const auto trimmed = icu::UnicodeString::fromUTF8(address);
    std::string expected;
    if (!padded.reset(text).matches(status)) {
        std::abort();
    }
    padded.group(1, status).toUTF8String(expected);
    const bool matches = pattern.reset(trimmed).matches(status);
    if (U_FAILURE(status) || address != expected || valid != matches) {
        std::abort();
    }
    return 0;
}
