#include "Utf8.h"

#include <cstdint>

namespace sonifix::utf8 {

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the well-formed sequence that starts at `at`, or 0 when there is none; `consumed`
// is then the maximal subpart to replace.
std::size_t sequenceLength(std::string_view bytes, std::size_t at, std::size_t& consumed) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    consumed = 1;
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) {
            low = 0xA0;
        } else if (lead == 0xED) {
            high = 0x9F; // no surrogates
        }
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) {
            low = 0x90;
        } else if (lead == 0xF4) {
            high = 0x8F;
        }
    } else {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= bytes.size()) {
            return 0;
        }
        const auto byte = static_cast<unsigned char>(bytes[at + i]);
        const bool fits = i == 1 ? (byte >= low && byte <= high) : isContinuation(byte);
        if (!fits) {
            return 0;
        }
        consumed = i + 1;
    }
    return length;
}

} // namespace

std::string repaired(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t consumed = 0;
        if (const auto length = sequenceLength(bytes, at, consumed); length > 0) {
            text.append(bytes.substr(at, length));
            at += length;
        } else {
            text.append(replacement);
            at += consumed;
        }
    }
    return text;
}

} // namespace sonifix::utf8
