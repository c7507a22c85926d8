#include "AudioDevices.h"

#include "platform/AudioProperties.h"

namespace sonifix {

namespace props = audio_properties;

template <class T>
std::optional<T> AudioDevices::read(AudioObjectID object, const PropertyAddress& address) {
    T value{};
    auto size = std::uint32_t(sizeof value);
    if (hardware.propertyData(object, address, size, &value) != 0) {
        return std::nullopt;
    }
    return value;
}

std::vector<AudioObjectID> AudioDevices::allDeviceIDs() {
    const auto address = props::global(props::devices);
    std::uint32_t size = 0;
    if (hardware.propertyDataSize(systemAudioObject, address, size) != 0) {
        return {};
    }
    std::vector<AudioObjectID> ids(size / sizeof(AudioObjectID), noAudioObject);
    // The capacity passed is the size asked for, as the HAL expects; the list keeps the length
    // it was made with.
    if (hardware.propertyData(systemAudioObject, address, size, ids.data()) != 0) {
        return {};
    }
    return ids;
}

std::optional<std::string> AudioDevices::string(AudioObjectID id, std::uint32_t selector) {
    std::optional<std::string> value;
    if (hardware.stringProperty(id, props::global(selector), value) != 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> AudioDevices::name(AudioObjectID id) {
    return string(id, props::name);
}

bool AudioDevices::systemAnswers() {
    std::uint32_t size = 0;
    return hardware.propertyDataSize(systemAudioObject, props::global(props::devices), size) == 0;
}

std::optional<std::string> AudioDevices::uid(AudioObjectID id) {
    return string(id, props::deviceUID);
}

std::optional<std::string> AudioDevices::systemName() {
    return string(systemAudioObject, props::name);
}

std::optional<std::string> AudioDevices::systemVersion() {
    return string(systemAudioObject, props::firmwareVersion);
}

AudioDevice AudioDevices::device(AudioObjectID id) {
    return {
        .id = id,
        .name = name(id).value_or("Unknown device"),
        .transport = read<std::uint32_t>(id, props::global(props::transportType)).value_or(0),
        .sampleRate = read<double>(id, props::global(props::nominalSampleRate)).value_or(0.0),
    };
}

std::optional<AudioDevice> AudioDevices::builtInMicrophone() {
    const PropertyAddress inputStreams{props::streams, props::scopeInput, props::elementMain};
    const PropertyAddress jack{props::jackIsConnected, props::scopeInput, props::elementMain};
    std::optional<AudioObjectID> unplugged;
    for (const auto id : allDeviceIDs()) {
        std::uint32_t size = 0;
        if (hardware.propertyDataSize(id, inputStreams, size) != 0 || size == 0) {
            continue;
        }
        if (read<std::uint32_t>(id, props::global(props::transportType)) !=
            props::transportBuiltIn) {
            continue;
        }
        // A line-in or headset jack with nothing in it is no microphone anyone can use; it is
        // taken only when no other built-in input is there. A device without a jack is usable.
        if (read<std::uint32_t>(id, jack) == 0u) {
            unplugged = unplugged.value_or(id);
            continue;
        }
        return device(id);
    }
    return unplugged ? std::optional(device(*unplugged)) : std::nullopt;
}

std::optional<AudioDevice> AudioDevices::defaultDevice(bool input) {
    const auto selector = input ? props::defaultInputDevice : props::defaultOutputDevice;
    const auto id = read<AudioObjectID>(systemAudioObject, props::global(selector));
    if (!id || *id == noAudioObject) {
        return std::nullopt;
    }
    return device(*id);
}

std::optional<bool> AudioDevices::isRunningSomewhere(AudioObjectID id) {
    const auto running = read<std::uint32_t>(id, props::global(props::deviceIsRunningSomewhere));
    return running ? std::optional(*running != 0) : std::nullopt;
}

void AudioDevices::setDefaultDevice(bool input, AudioObjectID id) {
    const auto selector = input ? props::defaultInputDevice : props::defaultOutputDevice;
    hardware.setPropertyData(systemAudioObject, props::global(selector), sizeof id, &id);
}

void AudioDevices::observeDefaultDeviceChanges(std::function<void()> handler) {
    removeListeners();
    const auto shared = std::make_shared<const std::function<void()>>(std::move(handler));
    for (const auto selector : {props::defaultInputDevice, props::defaultOutputDevice}) {
        const auto address = props::global(selector);
        auto listener = std::make_shared<const std::function<void()>>([shared] { (*shared)(); });
        if (hardware.addPropertyListener(systemAudioObject, address, listener) == 0) {
            listeners.push_back({address, std::move(listener)});
        }
    }
}

void AudioDevices::removeListeners() {
    for (const auto& registration : listeners) {
        hardware.removePropertyListener(systemAudioObject, registration.address,
                                        registration.listener);
    }
    listeners.clear();
}

} // namespace sonifix
