#include "AudioDevice.h"

#include "platform/AudioProperties.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace sonifix {

std::string AudioDevice::sampleRateText() const {
    // `!(x > 0)` also catches NaN.
    if (!(sampleRate > 0)) {
        return "?";
    }
    const double kilohertz = sampleRate / 1000;
    char buffer[64];
    std::to_chars_result written{};
    // A whole number of kilohertz is shown without decimals. Rates too large for an integer
    // (and infinity) have no sensible text; they fall through to the decimal form.
    if (kilohertz < 9.2e18 && kilohertz == std::round(kilohertz)) {
        written = std::to_chars(buffer, buffer + sizeof buffer, std::int64_t(kilohertz));
    } else {
        // to_chars ignores the locale: the point stays a point everywhere.
        written =
            std::to_chars(buffer, buffer + sizeof buffer, kilohertz, std::chars_format::fixed, 1);
    }
    return std::string(buffer, written.ptr) + " kHz";
}

bool AudioDevice::isBluetooth() const {
    return transport == audio_properties::transportBluetooth ||
           transport == audio_properties::transportBluetoothLE;
}

} // namespace sonifix
