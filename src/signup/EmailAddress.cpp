#include "EmailAddress.h"

#include <cstdint>
#include <vector>

namespace sonifix::email_address {

namespace {

struct CodePoint {
    char32_t value;
    std::size_t offset;
    std::size_t length;
};

// Ill-formed bytes count as characters of their own; they are neither spaces nor separators.
std::vector<CodePoint> decode(std::string_view text) {
    std::vector<CodePoint> points;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (lead >= 0x80 && lead < 0xC0) {
            length = 1;
        }
        if (at + length > text.size()) {
            length = 1;
        }
        char32_t value = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (std::size_t i = 1; i < length; ++i) {
            value = (value << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
        }
        points.push_back({value, at, length});
        at += length;
    }
    return points;
}

// General category Zs, and the tab.
bool isSpaceSeparator(char32_t c) {
    return c == 0x09 || c == 0x20 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

// The White_Space property: the separators above and every line break.
bool isWhiteSpace(char32_t c) {
    return isSpaceSeparator(c) || (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 ||
           c == 0x2029;
}

} // namespace

std::string trimmed(std::string_view text) {
    const auto points = decode(text);
    std::size_t first = 0;
    std::size_t last = points.size();
    while (first < last && isSpaceSeparator(points[first].value)) {
        ++first;
    }
    while (last > first && isSpaceSeparator(points[last - 1].value)) {
        --last;
    }
    if (first == last) {
        return {};
    }
    const auto begin = points[first].offset;
    const auto end = points[last - 1].offset + points[last - 1].length;
    return std::string(text.substr(begin, end - begin));
}

bool looksValid(std::string_view text) {
    const auto points = decode(text);
    std::size_t at = points.size();
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto c = points[i].value;
        if (isWhiteSpace(c) || c == '<' || c == '>') {
            return false;
        }
        if (c == '@') {
            if (at != points.size()) {
                return false; // a second at sign
            }
            at = i;
        }
    }
    if (at == points.size() || at == 0) {
        return false;
    }
    // After the at sign: a full stop with at least one character on each side.
    for (std::size_t i = at + 2; i + 1 < points.size(); ++i) {
        if (points[i].value == '.') {
            return true;
        }
    }
    return false;
}

} // namespace sonifix::email_address
