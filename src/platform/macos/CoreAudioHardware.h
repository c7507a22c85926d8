#pragma once

#include "platform/AudioHardware.h"

#include <memory>

namespace sonifix {

// The Core Audio HAL itself: every call goes straight to the AudioObject functions with no
// qualifier. Listener blocks run on the main dispatch queue.
class CoreAudioHardware final : public AudioHardware {
public:
    CoreAudioHardware();
    CoreAudioHardware(const CoreAudioHardware&) = delete;
    CoreAudioHardware& operator=(const CoreAudioHardware&) = delete;
    ~CoreAudioHardware() override;

    HardwareStatus propertyDataSize(AudioObjectID object, const PropertyAddress& address,
                                    std::uint32_t& size) override;
    HardwareStatus propertyData(AudioObjectID object, const PropertyAddress& address,
                                std::uint32_t& size, void* data) override;
    HardwareStatus stringProperty(AudioObjectID object, const PropertyAddress& address,
                                  std::optional<std::string>& value) override;
    HardwareStatus setPropertyData(AudioObjectID object, const PropertyAddress& address,
                                   std::uint32_t size, const void* data) override;
    HardwareStatus addPropertyListener(AudioObjectID object, const PropertyAddress& address,
                                       const PropertyListener& listener) override;
    HardwareStatus removePropertyListener(AudioObjectID object, const PropertyAddress& address,
                                          const PropertyListener& listener) override;

private:
    struct Listeners;
    std::unique_ptr<Listeners> listeners;
};

} // namespace sonifix
