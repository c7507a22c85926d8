#pragma once

#include <cstdint>
#include <string>

namespace sonifix {

// A 32-bit code whose bytes, most significant first, are four ASCII characters: 'dIn ' and
// the like, as Core Audio and Carbon write their selectors, scopes and signatures.
constexpr std::uint32_t fourCharCode(const char (&text)[5]) {
    return (std::uint32_t(std::uint8_t(text[0])) << 24) |
           (std::uint32_t(std::uint8_t(text[1])) << 16) |
           (std::uint32_t(std::uint8_t(text[2])) << 8) | std::uint32_t(std::uint8_t(text[3]));
}

inline std::string fourCharText(std::uint32_t code) {
    return {char(code >> 24), char(code >> 16), char(code >> 8), char(code)};
}

} // namespace sonifix
