#include "RandomUuidSource.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <random>

namespace sonifix {

std::string RandomUuidSource::makeUuid() {
    std::array<std::uint8_t, 16> bytes{};
    std::ifstream source("/dev/urandom", std::ios::binary);
    if (!source.read(reinterpret_cast<char*>(bytes.data()), bytes.size())) {
        std::random_device device;
        for (auto& byte : bytes) {
            byte = std::uint8_t(device());
        }
    }
    bytes[6] = std::uint8_t((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = std::uint8_t((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant

    constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace sonifix
