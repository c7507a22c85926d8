#pragma once

#include "platform/AudioHardware.h"
#include "platform/AudioProperties.h"
#include "platform/MainQueue.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <set>
#include <utility>

namespace sonifix::testing {

struct FakeDevice {
    std::optional<std::string> name; // nullopt: the read succeeds with a null reference
    std::uint32_t transport = 0;
    double sampleRate = 0;
    std::uint32_t inputStreams = 0;
    std::set<std::uint32_t> failingSelectors; // reads of these properties fail
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
        notify(input ? audio_properties::defaultInputDevice
                     : audio_properties::defaultOutputDevice);
    }
    AudioObjectID defaultID(bool input) const { return defaults[input]; }

    HardwareStatus propertyDataSize(AudioObjectID object, const PropertyAddress& address,
                                    std::uint32_t& size) override {
        std::string bytes;
        const auto status = read(object, address, bytes);
        size = std::uint32_t(bytes.size());
        return status;
    }
    HardwareStatus propertyData(AudioObjectID object, const PropertyAddress& address,
                                std::uint32_t& size, void* data) override {
        std::string bytes;
        if (read(object, address, bytes) != 0 || size < bytes.size()) {
            return failed;
        }
        std::memcpy(data, bytes.data(), size = std::uint32_t(bytes.size()));
        return 0;
    }
    HardwareStatus stringProperty(AudioObjectID object, const PropertyAddress& address,
                                  std::optional<std::string>& value) override {
        ++reads;
        const auto* device = find(object, address.selector);
        if (!device || address.selector != audio_properties::name) {
            return failed;
        }
        value = device->name;
        return 0;
    }
    HardwareStatus setPropertyData(AudioObjectID object, const PropertyAddress& address,
                                   std::uint32_t size, const void* data) override {
        AudioObjectID id = 0;
        if (object != systemAudioObject ||
            address.selector != audio_properties::defaultInputDevice || size != sizeof id) {
            return failed;
        }
        std::memcpy(&id, data, sizeof id);
        ++defaultInputWrites;
        if (!devices.contains(id)) {
            return failed;
        }
        if (std::exchange(defaults[true], id) != id) {
            notify(audio_properties::defaultInputDevice);
        }
        return 0;
    }
    HardwareStatus addPropertyListener(AudioObjectID, const PropertyAddress& address,
                                       const PropertyListener& listener) override {
        if (refusedListeners.contains(address.selector)) {
            return failed;
        }
        listeners.emplace(address.selector, listener);
        return 0;
    }
    HardwareStatus removePropertyListener(AudioObjectID, const PropertyAddress& address,
                                          const PropertyListener& listener) override {
        return std::erase_if(listeners,
                             [&](const auto& each) {
                                 return each.first == address.selector && each.second == listener;
                             }) == 1
                   ? 0
                   : failed;
    }

    std::map<AudioObjectID, FakeDevice> devices; // in the system's order
    std::set<std::uint32_t> failingSystemReads;
    std::set<std::uint32_t> refusedListeners;
    std::multimap<std::uint32_t, PropertyListener> listeners; // by selector, of the system
    std::size_t reads = 0;
    int defaultInputWrites = 0;

private:
    static constexpr HardwareStatus failed = fourCharCode("who?");

    // The property's value, as the HAL copies it out.
    HardwareStatus read(AudioObjectID object, const PropertyAddress& address, std::string& bytes) {
        ++reads;
        const auto as = [&bytes](const auto& value) {
            bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
            return 0;
        };
        const auto* device = find(object, address.selector);
        if (object == systemAudioObject && !failingSystemReads.contains(address.selector)) {
            switch (address.selector) {
            case audio_properties::devices:
                for (const auto& each : devices) {
                    as(each.first);
                }
                return 0;
            case audio_properties::defaultInputDevice:
                return as(defaults[true]);
            case audio_properties::defaultOutputDevice:
                return as(defaults[false]);
            }
        } else if (device && address.selector == audio_properties::transportType) {
            return as(device->transport);
        } else if (device && address.selector == audio_properties::nominalSampleRate) {
            return as(device->sampleRate);
        } else if (device && address.selector == audio_properties::streams) {
            bytes.resize(address.scope == audio_properties::scopeInput ? device->inputStreams * 4
                                                                       : 0);
            return 0;
        }
        return failed;
    }
    const FakeDevice* find(AudioObjectID object, std::uint32_t selector) const {
        const auto found = devices.find(object);
        return found == devices.end() || found->second.failingSelectors.contains(selector)
                   ? nullptr
                   : &found->second;
    }
    void notify(std::uint32_t selector) {
        for (const auto& [key, listener] : listeners) {
            if (key == selector) {
                mainQueue.post([listener] { (*listener)(); });
            }
        }
    }

    MainQueue& mainQueue;
    AudioObjectID nextID = 40;
    std::array<AudioObjectID, 2> defaults{}; // output, input
};

} // namespace sonifix::testing
