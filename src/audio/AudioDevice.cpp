#include "AudioDevice.h"

#include "platform/AudioProperties.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace sonifix {
namespace {

// The decimal digits of a whole, non-negative, finite number, exactly, however large.
std::string wholeDigits(double whole) {
    if (whole < 0x1p63) {
        char buffer[24];
        const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::uint64_t(whole));
        return std::string(buffer, written.ptr);
    }
    // whole = significand * 2^shift, with a whole significand below 2^53 and shift > 0.
    int exponent = 0;
    const auto significand = std::uint64_t(std::ldexp(std::frexp(whole, &exponent), 53));
    std::string reversed;
    for (auto rest = significand; rest != 0; rest /= 10) {
        reversed.push_back(char('0' + rest % 10));
    }
    for (int shift = exponent - 53; shift > 0; --shift) {
        int carry = 0;
        for (auto& digit : reversed) {
            const int doubled = (digit - '0') * 2 + carry;
            digit = char('0' + doubled % 10);
            carry = doubled / 10;
        }
        if (carry != 0) {
            reversed.push_back('1');
        }
    }
    return std::string(reversed.rbegin(), reversed.rend());
}

// A fraction in [0, 1) in tenths, rounded to the nearest and a tie to the even one, as
// printf's "%.1f" does: 0 to 10.
int roundedTenths(double fraction) {
    int exponent = 0;
    const double significand = std::frexp(fraction, &exponent);
    // fraction * 10 == scaled / 2^bits exactly; scaled is below 2^57.
    const auto scaled = std::uint64_t(std::ldexp(significand, 53)) * 10;
    const int bits = 53 - exponent;
    if (bits >= 64) {
        // Below 2^-11: far from the first half tenth.
        return 0;
    }
    const auto tenths = scaled >> bits;
    const auto rest = scaled & ((std::uint64_t(1) << bits) - 1);
    const auto half = std::uint64_t(1) << (bits - 1);
    return int(rest > half || (rest == half && tenths % 2 == 1) ? tenths + 1 : tenths);
}

// A positive number with one digit after the point, as "%.1f" in the C locale writes it.
std::string oneDecimal(double value) {
    if (std::isinf(value)) {
        return "inf";
    }
    auto whole = std::floor(value);
    auto tenths = roundedTenths(value - whole);
    if (tenths == 10) {
        whole += 1;
        tenths = 0;
    }
    return wholeDigits(whole) + '.' + char('0' + tenths);
}

} // namespace

std::string AudioDevice::sampleRateText() const {
    // `!(x > 0)` also catches NaN.
    if (!(sampleRate > 0)) {
        return "?";
    }
    const double kilohertz = sampleRate / 1000;
    // A whole number of kilohertz is shown without decimals. Rates too large for an integer
    // (and infinity) have no sensible text; they fall through to the decimal form.
    if (kilohertz < 9.2e18 && kilohertz == std::round(kilohertz)) {
        return wholeDigits(kilohertz) + " kHz";
    }
    return oneDecimal(kilohertz) + " kHz";
}

bool AudioDevice::isBluetooth() const {
    return transport == audio_properties::transportBluetooth ||
           transport == audio_properties::transportBluetoothLE;
}

} // namespace sonifix
