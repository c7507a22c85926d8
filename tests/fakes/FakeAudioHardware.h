#pragma once

#include "platform/AudioHardware.h"
#include "platform/MainQueue.h"

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

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

    AudioObjectID addDevice(FakeDevice device);
    void removeDevice(AudioObjectID id);
    void updateDevice(AudioObjectID id, const FakeDevice& device);
    // Changes a default as the system would: listeners for it are run.
    void setDefault(bool input, AudioObjectID id);
    AudioObjectID defaultID(bool input) const;

    // Reads of this system property fail from now on (or work again).
    void failSystemRead(std::uint32_t selector, bool fails = true);
    void refuseListener(std::uint32_t selector, bool refuses = true);

    std::size_t listenerCount() const;
    std::size_t readCount() const;
    int defaultInputWrites() const;

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
    struct Registration {
        AudioObjectID object;
        PropertyAddress address;
        PropertyListener listener;
    };

    void notify(std::uint32_t selector);
    bool systemReadFails(std::uint32_t selector) const;

    MainQueue& mainQueue;
    mutable std::mutex mutex;
    std::map<AudioObjectID, FakeDevice> devices;
    std::vector<AudioObjectID> order;
    AudioObjectID nextID = 40;
    AudioObjectID defaultInput = 0;
    AudioObjectID defaultOutput = 0;
    std::set<std::uint32_t> failingSystemReads;
    std::set<std::uint32_t> refusedListeners;
    std::vector<Registration> registrations;
    std::size_t reads = 0;
    int inputWrites = 0;
};

} // namespace sonifix::testing
