#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sonifix {

using AudioObjectID = std::uint32_t;
using HardwareStatus = std::int32_t;

constexpr AudioObjectID noAudioObject = 0;
constexpr AudioObjectID systemAudioObject = 1;

struct PropertyAddress {
    std::uint32_t selector = 0;
    std::uint32_t scope = 0;
    std::uint32_t element = 0;

    friend bool operator==(const PropertyAddress&, const PropertyAddress&) = default;
};

// Called when a watched property changes. Listeners are compared by identity: removing one
// takes the same pointer that was added.
using PropertyListener = std::shared_ptr<const std::function<void()>>;

// The audio hardware object tree, in the shape of the Core Audio HAL: objects with 32-bit
// identifiers (1 is the system object, 0 is none) whose properties are addressed by a
// four-character selector, a scope and an element. Every call answers with a status, 0 for
// success and anything else for failure; an adapter never throws.
//
// Reads may be made from any thread and block it until the system has answered. An adapter
// that talks to a server gives each read a time-out of its own and reports a read that runs
// out as a failure. Listeners are added and removed on the main thread and always run there.
class AudioHardware {
public:
    virtual ~AudioHardware() = default;

    // The number of bytes the property's data has now.
    virtual HardwareStatus propertyDataSize(AudioObjectID object, const PropertyAddress& address,
                                            std::uint32_t& size) = 0;

    // Copies the property's data into `data`; `size` is the buffer's capacity on the way in and
    // the number of bytes written on the way out.
    virtual HardwareStatus propertyData(AudioObjectID object, const PropertyAddress& address,
                                        std::uint32_t& size, void* data) = 0;

    // Reads a property whose data is a string reference. A null reference is a success with no
    // value; the adapter releases whatever it was handed.
    virtual HardwareStatus stringProperty(AudioObjectID object, const PropertyAddress& address,
                                          std::optional<std::string>& value) = 0;

    virtual HardwareStatus setPropertyData(AudioObjectID object, const PropertyAddress& address,
                                           std::uint32_t size, const void* data) = 0;

    virtual HardwareStatus addPropertyListener(AudioObjectID object, const PropertyAddress& address,
                                               const PropertyListener& listener) = 0;

    virtual HardwareStatus removePropertyListener(AudioObjectID object,
                                                  const PropertyAddress& address,
                                                  const PropertyListener& listener) = 0;
};

} // namespace sonifix
