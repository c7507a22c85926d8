#pragma once

#include "platform/AudioHardware.h"
#include "platform/AudioProperties.h"
#include "platform/MainQueue.h"

#include <array>
#include <cstring>
#include <map>
#include <set>

namespace sonifix::testing {

struct FakeDevice {
    std::optional<std::string> name; // nullopt: the read succeeds with a null reference
    std::uint32_t transport = 0;
    double sampleRate = 0;
    std::uint32_t inputStreams = 0;
    std::optional<std::uint32_t> jackIsConnected; // nullopt: the device has no jack
    std::optional<std::string> uid;               // nullopt: the device has none
};

// A HAL object tree the test edits. Like the real one, a change of a default device (from the
// test or from a write) runs the listeners for that property on the main queue.
class FakeAudioHardware final : public AudioHardware {
public:
    explicit FakeAudioHardware(MainQueue& mainQueue) : mainQueue(mainQueue) {}

    AudioObjectID addDevice(FakeDevice device) {
        devices[nextID] = std::move(device);
        return nextID++;
    }
    void setDefault(bool input, AudioObjectID id) {
        defaults[input] = id;
        for (const auto& [selector, listener] : listeners) {
            if (selector == (input ? audio_properties::defaultInputDevice
                                   : audio_properties::defaultOutputDevice)) {
                mainQueue.post([listener] { (*listener)(); });
            }
        }
    }
    AudioObjectID defaultID(bool input) const { return defaults[input]; }

    HardwareStatus propertyDataSize(AudioObjectID object, const PropertyAddress& address,
                                    std::uint32_t& size) override {
        const auto bytes = read(object, address);
        size = std::uint32_t(bytes.value_or("").size());
        return bytes ? 0 : failed;
    }
    HardwareStatus propertyData(AudioObjectID object, const PropertyAddress& address,
                                std::uint32_t& size, void* data) override {
        const auto bytes = read(object, address);
        if (!bytes || size < bytes->size()) {
            return failed;
        }
        std::memcpy(data, bytes->data(), size = std::uint32_t(bytes->size()));
        return 0;
    }
    HardwareStatus stringProperty(AudioObjectID object, const PropertyAddress& address,
                                  std::optional<std::string>& value) override {
        const bool uid = address.selector == audio_properties::deviceUID;
        if ((address.selector != audio_properties::name && !uid) || !read(object, address)) {
            return failed;
        }
        value = uid ? devices[object].uid : devices[object].name;
        return 0;
    }
    HardwareStatus setPropertyData(AudioObjectID object, const PropertyAddress& address,
                                   std::uint32_t size, const void* data) override {
        AudioObjectID id = 0;
        const bool input = address.selector == audio_properties::defaultInputDevice;
        if (object != systemAudioObject ||
            (!input && address.selector != audio_properties::defaultOutputDevice) ||
            size != sizeof id) {
            return failed;
        }
        std::memcpy(&id, data, sizeof id);
        ++(input ? defaultInputWrites : defaultOutputWrites);
        if (!devices.contains(id)) {
            return failed;
        }
        if (defaults[input] != id) {
            setDefault(input, id);
        }
        return 0;
    }
    HardwareStatus addPropertyListener(AudioObjectID, const PropertyAddress& address,
                                       const PropertyListener& listener) override {
        listeners.emplace(address.selector, listener);
        return 0;
    }
    HardwareStatus removePropertyListener(AudioObjectID, const PropertyAddress& address,
                                          const PropertyListener& listener) override {
        const auto same = [&](const auto& each) {
            return each.first == address.selector && each.second == listener;
        };
        return std::erase_if(listeners, same) == 1 ? 0 : failed;
    }

    std::map<AudioObjectID, FakeDevice> devices;               // in the system's order
    std::set<std::pair<AudioObjectID, std::uint32_t>> failing; // reads that fail: object, selector
    std::multimap<std::uint32_t, PropertyListener> listeners;  // by selector, of the system
    std::size_t reads = 0;
    int defaultInputWrites = 0;
    int defaultOutputWrites = 0;

private:
    static constexpr HardwareStatus failed = fourCharCode("who?");

    // The property's value, as the HAL copies it out; nothing when the read fails.
    std::optional<std::string> read(AudioObjectID object, const PropertyAddress& address) {
        ++reads;
        const auto bytes = [](const auto& value) {
            return std::string(reinterpret_cast<const char*>(&value), sizeof value);
        };
        const auto found = devices.find(object);
        if (failing.contains({object, address.selector})) {
            return std::nullopt;
        } else if (object == systemAudioObject) {
            switch (address.selector) {
            case audio_properties::devices: {
                std::string ids;
                for (const auto& each : devices) {
                    ids += bytes(each.first);
                }
                return ids;
            }
            case audio_properties::defaultInputDevice:
                return bytes(defaults[true]);
            case audio_properties::defaultOutputDevice:
                return bytes(defaults[false]);
            }
        } else if (found != devices.end()) {
            switch (address.selector) {
            case audio_properties::name:
                return "";
            case audio_properties::deviceUID:
                return found->second.uid ? std::optional<std::string>("") : std::nullopt;
            case audio_properties::transportType:
                return bytes(found->second.transport);
            case audio_properties::nominalSampleRate:
                return bytes(found->second.sampleRate);
            case audio_properties::jackIsConnected:
                if (!found->second.jackIsConnected) {
                    return std::nullopt;
                }
                return bytes(*found->second.jackIsConnected);
            case audio_properties::streams:
                return std::string(address.scope == audio_properties::scopeInput
                                       ? found->second.inputStreams * 4
                                       : 0,
                                   '\0');
            }
        }
        return std::nullopt;
    }

    MainQueue& mainQueue;
    AudioObjectID nextID = 40;
    std::array<AudioObjectID, 2> defaults{}; // output, input
};

} // namespace sonifix::testing
