#pragma once

#include "AudioDevice.h"
#include "platform/AudioHardware.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sonifix {

// Queries of the audio hardware object tree. Nothing is cached: every call asks the system
// anew, and a failed read yields the neutral value (an empty list, a default field, nothing).
// Reads may run on any thread.
class AudioDevices {
public:
    explicit AudioDevices(AudioHardware& hardware) : hardware(hardware) {}

    // Every device, in the system's order.
    std::vector<AudioObjectID> allDeviceIDs();

    AudioDevice device(AudioObjectID id);

    // The first device, in system order, with an input stream and a built-in transport, passing
    // over those whose jack has nothing plugged in while there is another.
    std::optional<AudioDevice> builtInMicrophone();

    std::optional<AudioDevice> defaultDevice(bool input);

    // Whether the system answers at all: its list of devices can be read, empty or not.
    bool systemAnswers();
    // The system's own, stable name for a device; nothing when it has none.
    std::optional<std::string> uid(AudioObjectID id);
    // What the system object calls itself, and its version: on Linux the sound server as it
    // names itself; nothing where the system does not say.
    std::optional<std::string> systemName();
    std::optional<std::string> systemVersion();

    // Whether some client plays through or records from the device now; nothing when the
    // system does not say.
    std::optional<bool> isRunningSomewhere(AudioObjectID id);

    // Makes the device the system's default input (or output); the outcome is not reported.
    void setDefaultInputDevice(AudioObjectID id) { setDefaultDevice(true, id); }
    void setDefaultDevice(bool input, AudioObjectID id);

    // Runs `handler` on the main thread whenever the default input or output changes, in
    // place of whatever handler an earlier call installed. Main thread only.
    void observeDefaultDeviceChanges(std::function<void()> handler);

private:
    struct Registration {
        PropertyAddress address;
        PropertyListener listener;
    };

    void removeListeners();
    template <class T> std::optional<T> read(AudioObjectID object, const PropertyAddress& address);
    std::optional<std::string> name(AudioObjectID id);
    std::optional<std::string> string(AudioObjectID id, std::uint32_t selector);

    AudioHardware& hardware;
    // Only registrations the system accepted.
    std::vector<Registration> listeners;
};

} // namespace sonifix
