#pragma once

#include "platform/AudioHardware.h"

#include <cstdint>
#include <string>

namespace sonifix {

// One audio device as the menu and the microphone rule see it.
struct AudioDevice {
    AudioObjectID id = noAudioObject;
    std::string name;            // "Unknown device" when it cannot be read
    std::uint32_t transport = 0; // four-character code; 0 when it cannot be read
    double sampleRate = 0;       // nominal, in hertz; 0 when it cannot be read

    // The rate as short menu text: "48 kHz", "44.1 kHz", or "?" when there is none.
    std::string sampleRateText() const;

    bool isBluetooth() const;
};

} // namespace sonifix
