#include "support/Utf8.h"

#include <cstdint>
#include <cstdlib>
#include <unicode/unistr.h>

// ICU's UTF-8 decoder also replaces each maximal subpart of an ill-formed sequence with one
// U+FFFD, so both must give the same text for any bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto text = sonifix::utf8::repaired(bytes);

    std::string expected;
    icu::UnicodeString::fromUTF8(icu::StringPiece(bytes.data(), std::int32_t(bytes.size())))
        .toUTF8String(expected);
    if (text != expected || sonifix::utf8::repaired(text) != text) {
        std::abort();
    }
    return 0;
}
