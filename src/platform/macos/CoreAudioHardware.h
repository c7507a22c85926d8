#pragma once

#include "platform/AudioHardware.h"

#include <chrono>
#include <memory>

namespace sonifix {

// The Core Audio HAL itself: the AudioObject functions with no qualifier. Listener blocks run
// on the main dispatch queue. Every call (reads, writes, adding and removing listeners) goes to
// the HAL from a queue of the adapter's own and is waited for up to `callTimeout`: a wedged
// coreaudiod answers no call, and the menu, which reads on the main thread, must not freeze with
// it. A call that runs out answers kAudioHardwareNotRunningError, and so does every call while one
// that ran out is still inside the HAL.
class CoreAudioHardware final : public AudioHardware {
public:
    explicit CoreAudioHardware(
        std::chrono::milliseconds callTimeout = std::chrono::milliseconds(500));
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
    struct Calls;
    std::unique_ptr<Listeners> listeners;
    std::unique_ptr<Calls> calls;
};

} // namespace sonifix
