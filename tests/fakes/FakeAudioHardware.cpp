#include "FakeAudioHardware.h"

#include "platform/AudioProperties.h"

#include <algorithm>
#include <cstring>

namespace sonifix::testing {

namespace props = audio_properties;

namespace {

constexpr HardwareStatus unknownProperty = 2003332927; // 'who?'
constexpr HardwareStatus badObject = 560947818;        // '!obj'
constexpr HardwareStatus badSize = 561211770;          // '!siz'

template <class T> HardwareStatus copyOut(const T& value, std::uint32_t& size, void* data) {
    if (size < sizeof value) {
        return badSize;
    }
    std::memcpy(data, &value, sizeof value);
    size = sizeof value;
    return 0;
}

} // namespace

AudioObjectID FakeAudioHardware::addDevice(FakeDevice device) {
    const std::lock_guard lock(mutex);
    const auto id = nextID++;
    devices[id] = std::move(device);
    order.push_back(id);
    return id;
}

void FakeAudioHardware::removeDevice(AudioObjectID id) {
    const std::lock_guard lock(mutex);
    devices.erase(id);
    order.erase(std::remove(order.begin(), order.end(), id), order.end());
}

void FakeAudioHardware::updateDevice(AudioObjectID id, const FakeDevice& device) {
    const std::lock_guard lock(mutex);
    devices[id] = device;
}

void FakeAudioHardware::setDefault(bool input, AudioObjectID id) {
    {
        const std::lock_guard lock(mutex);
        (input ? defaultInput : defaultOutput) = id;
    }
    notify(input ? props::defaultInputDevice : props::defaultOutputDevice);
}

AudioObjectID FakeAudioHardware::defaultID(bool input) const {
    const std::lock_guard lock(mutex);
    return input ? defaultInput : defaultOutput;
}

void FakeAudioHardware::failSystemRead(std::uint32_t selector, bool fails) {
    const std::lock_guard lock(mutex);
    if (fails) {
        failingSystemReads.insert(selector);
    } else {
        failingSystemReads.erase(selector);
    }
}

void FakeAudioHardware::refuseListener(std::uint32_t selector, bool refuses) {
    const std::lock_guard lock(mutex);
    if (refuses) {
        refusedListeners.insert(selector);
    } else {
        refusedListeners.erase(selector);
    }
}

std::size_t FakeAudioHardware::listenerCount() const {
    const std::lock_guard lock(mutex);
    return registrations.size();
}

std::size_t FakeAudioHardware::readCount() const {
    const std::lock_guard lock(mutex);
    return reads;
}

int FakeAudioHardware::defaultInputWrites() const {
    const std::lock_guard lock(mutex);
    return inputWrites;
}

bool FakeAudioHardware::systemReadFails(std::uint32_t selector) const {
    return failingSystemReads.count(selector) > 0;
}

HardwareStatus FakeAudioHardware::propertyDataSize(AudioObjectID object,
                                                   const PropertyAddress& address,
                                                   std::uint32_t& size) {
    const std::lock_guard lock(mutex);
    ++reads;
    if (object == systemAudioObject) {
        if (address.selector != props::devices || systemReadFails(address.selector)) {
            return unknownProperty;
        }
        size = std::uint32_t(order.size() * sizeof(AudioObjectID));
        return 0;
    }
    const auto found = devices.find(object);
    if (found == devices.end()) {
        return badObject;
    }
    if (address.selector != props::streams ||
        found->second.failingSelectors.count(props::streams)) {
        return unknownProperty;
    }
    size = address.scope == props::scopeInput ? found->second.inputStreams * 4 : 0;
    return 0;
}

HardwareStatus FakeAudioHardware::propertyData(AudioObjectID object, const PropertyAddress& address,
                                               std::uint32_t& size, void* data) {
    const std::lock_guard lock(mutex);
    ++reads;
    if (object == systemAudioObject) {
        if (systemReadFails(address.selector)) {
            return unknownProperty;
        }
        switch (address.selector) {
        case props::devices: {
            const auto bytes = std::min<std::size_t>(size, order.size() * sizeof(AudioObjectID));
            std::memcpy(data, order.data(), bytes);
            size = std::uint32_t(bytes);
            return 0;
        }
        case props::defaultInputDevice:
            return copyOut(defaultInput, size, data);
        case props::defaultOutputDevice:
            return copyOut(defaultOutput, size, data);
        default:
            return unknownProperty;
        }
    }
    const auto found = devices.find(object);
    if (found == devices.end()) {
        return badObject;
    }
    const auto& device = found->second;
    if (device.failingSelectors.count(address.selector)) {
        return unknownProperty;
    }
    switch (address.selector) {
    case props::transportType:
        return copyOut(device.transport, size, data);
    case props::nominalSampleRate:
        return copyOut(device.sampleRate, size, data);
    default:
        return unknownProperty;
    }
}

HardwareStatus FakeAudioHardware::stringProperty(AudioObjectID object,
                                                 const PropertyAddress& address,
                                                 std::optional<std::string>& value) {
    const std::lock_guard lock(mutex);
    ++reads;
    const auto found = devices.find(object);
    if (found == devices.end()) {
        return badObject;
    }
    if (address.selector != props::name || found->second.failingSelectors.count(props::name)) {
        return unknownProperty;
    }
    value = found->second.name;
    return 0;
}

HardwareStatus FakeAudioHardware::setPropertyData(AudioObjectID object,
                                                  const PropertyAddress& address,
                                                  std::uint32_t size, const void* data) {
    if (object != systemAudioObject || address.selector != props::defaultInputDevice ||
        size != sizeof(AudioObjectID)) {
        return unknownProperty;
    }
    AudioObjectID id = 0;
    std::memcpy(&id, data, sizeof id);
    bool changed = false;
    {
        const std::lock_guard lock(mutex);
        ++inputWrites;
        if (!devices.count(id)) {
            return badObject;
        }
        changed = defaultInput != id;
        defaultInput = id;
    }
    if (changed) {
        notify(props::defaultInputDevice);
    }
    return 0;
}

HardwareStatus FakeAudioHardware::addPropertyListener(AudioObjectID object,
                                                      const PropertyAddress& address,
                                                      const PropertyListener& listener) {
    const std::lock_guard lock(mutex);
    if (refusedListeners.count(address.selector)) {
        return unknownProperty;
    }
    registrations.push_back({object, address, listener});
    return 0;
}

HardwareStatus FakeAudioHardware::removePropertyListener(AudioObjectID object,
                                                         const PropertyAddress& address,
                                                         const PropertyListener& listener) {
    const std::lock_guard lock(mutex);
    const auto found = std::find_if(registrations.begin(), registrations.end(), [&](auto& r) {
        return r.object == object && r.address == address && r.listener == listener;
    });
    if (found == registrations.end()) {
        return unknownProperty;
    }
    registrations.erase(found);
    return 0;
}

void FakeAudioHardware::notify(std::uint32_t selector) {
    std::vector<PropertyListener> toRun;
    {
        const std::lock_guard lock(mutex);
        for (const auto& registration : registrations) {
            if (registration.object == systemAudioObject &&
                registration.address.selector == selector) {
                toRun.push_back(registration.listener);
            }
        }
    }
    for (auto& listener : toRun) {
        mainQueue.post([listener] { (*listener)(); });
    }
}

} // namespace sonifix::testing
