#pragma once

#include "AudioHardware.h"
#include "FourCharCode.h"

namespace sonifix::audio_properties {

// The HAL's vocabulary, as its own headers name it.
constexpr std::uint32_t scopeGlobal = fourCharCode("glob");
constexpr std::uint32_t scopeInput = fourCharCode("inpt");
constexpr std::uint32_t elementMain = 0;

constexpr std::uint32_t devices = fourCharCode("dev#");
constexpr std::uint32_t defaultInputDevice = fourCharCode("dIn ");
constexpr std::uint32_t defaultOutputDevice = fourCharCode("dOut");
constexpr std::uint32_t name = fourCharCode("lnam");
constexpr std::uint32_t firmwareVersion = fourCharCode("fwvr");
constexpr std::uint32_t deviceUID = fourCharCode("uid ");
constexpr std::uint32_t transportType = fourCharCode("tran");
constexpr std::uint32_t nominalSampleRate = fourCharCode("nsrt");
constexpr std::uint32_t streams = fourCharCode("stm#");
// Whether any client plays through (or records from) the device now: 1 or 0.
constexpr std::uint32_t deviceIsRunningSomewhere = fourCharCode("gone");
// Whether something is plugged into the device's jack (1) or not (0); a device without a jack
// has no such property.
constexpr std::uint32_t jackIsConnected = fourCharCode("jack");

constexpr std::uint32_t transportBuiltIn = fourCharCode("bltn");
constexpr std::uint32_t transportBluetooth = fourCharCode("blue");
constexpr std::uint32_t transportBluetoothLE = fourCharCode("blea");
constexpr std::uint32_t transportUSB = fourCharCode("usb ");
constexpr std::uint32_t transportVirtual = fourCharCode("virt");

constexpr PropertyAddress global(std::uint32_t selector) {
    return {selector, scopeGlobal, elementMain};
}

} // namespace sonifix::audio_properties
