#include "CoreAudioHardware.h"

#include "CFRef.h"

#include <CoreAudio/CoreAudio.h>
#include <dispatch/dispatch.h>
#include <vector>

namespace sonifix {

namespace {

AudioObjectPropertyAddress toHAL(const PropertyAddress& address) {
    return {address.selector, address.scope, address.element};
}

std::string toUTF8(CFStringRef text) {
    const CFIndex length = CFStringGetLength(text);
    const CFIndex capacity = CFStringGetMaximumSizeForEncoding(length, kCFStringEncodingUTF8) + 1;
    std::string buffer(std::size_t(capacity), '\0');
    if (!CFStringGetCString(text, buffer.data(), capacity, kCFStringEncodingUTF8)) {
        return {};
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

} // namespace

// The HAL removes a listener only when handed the very block object it was given, so each
// registration keeps its block.
struct CoreAudioHardware::Listeners {
    struct Registration {
        AudioObjectID object;
        PropertyAddress address;
        PropertyListener listener;
        AudioObjectPropertyListenerBlock block;
    };
    std::vector<Registration> registrations;
};

CoreAudioHardware::CoreAudioHardware() : listeners(std::make_unique<Listeners>()) {}

CoreAudioHardware::~CoreAudioHardware() = default;

HardwareStatus CoreAudioHardware::propertyDataSize(AudioObjectID object,
                                                   const PropertyAddress& address,
                                                   std::uint32_t& size) {
    const auto halAddress = toHAL(address);
    UInt32 dataSize = 0;
    const OSStatus status =
        AudioObjectGetPropertyDataSize(object, &halAddress, 0, nullptr, &dataSize);
    if (status == noErr) {
        size = dataSize;
    }
    return status;
}

HardwareStatus CoreAudioHardware::propertyData(AudioObjectID object, const PropertyAddress& address,
                                               std::uint32_t& size, void* data) {
    const auto halAddress = toHAL(address);
    UInt32 dataSize = size;
    const OSStatus status =
        AudioObjectGetPropertyData(object, &halAddress, 0, nullptr, &dataSize, data);
    size = dataSize;
    return status;
}

HardwareStatus CoreAudioHardware::stringProperty(AudioObjectID object,
                                                 const PropertyAddress& address,
                                                 std::optional<std::string>& value) {
    const auto halAddress = toHAL(address);
    CFStringRef text = nullptr;
    UInt32 dataSize = sizeof text;
    const OSStatus status =
        AudioObjectGetPropertyData(object, &halAddress, 0, nullptr, &dataSize, &text);
    // The HAL hands the string over under the Copy rule.
    const macos::CFRef<CFStringRef> owned(text);
    if (status != noErr) {
        return status;
    }
    value = owned ? std::optional<std::string>(toUTF8(owned.get())) : std::nullopt;
    return noErr;
}

HardwareStatus CoreAudioHardware::setPropertyData(AudioObjectID object,
                                                  const PropertyAddress& address,
                                                  std::uint32_t size, const void* data) {
    const auto halAddress = toHAL(address);
    return AudioObjectSetPropertyData(object, &halAddress, 0, nullptr, size, data);
}

HardwareStatus CoreAudioHardware::addPropertyListener(AudioObjectID object,
                                                      const PropertyAddress& address,
                                                      const PropertyListener& listener) {
    const auto halAddress = toHAL(address);
    const PropertyListener called = listener;
    AudioObjectPropertyListenerBlock block = ^(UInt32, const AudioObjectPropertyAddress*) {
      (*called)();
    };
    const OSStatus status =
        AudioObjectAddPropertyListenerBlock(object, &halAddress, dispatch_get_main_queue(), block);
    if (status == noErr) {
        listeners->registrations.push_back({object, address, listener, block});
    }
    return status;
}

HardwareStatus CoreAudioHardware::removePropertyListener(AudioObjectID object,
                                                         const PropertyAddress& address,
                                                         const PropertyListener& listener) {
    auto& registrations = listeners->registrations;
    for (auto registration = registrations.begin(); registration != registrations.end();
         ++registration) {
        if (registration->object != object || registration->address != address ||
            registration->listener != listener) {
            continue;
        }
        const auto halAddress = toHAL(address);
        const OSStatus status = AudioObjectRemovePropertyListenerBlock(
            object, &halAddress, dispatch_get_main_queue(), registration->block);
        registrations.erase(registration);
        return status;
    }
    return kAudioHardwareBadObjectError;
}

} // namespace sonifix
