#pragma once

#include "AudioDevices.h"
#include "platform/Clock.h"
#include "platform/Sleeper.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace sonifix {

// Puts the default output and input back as they were before the daemon went away. The daemon
// comes back with defaults of its own choosing, and its device numbers may be new: the devices
// are known by the system's stable name. Off the main thread: it waits for the devices.
class DefaultDeviceRestorer {
public:
    // How long a device that is not back yet is waited for: a USB or Bluetooth device takes a
    // moment longer than the built-in ones to be seen again.
    static constexpr std::chrono::milliseconds returnWait{5000};
    static constexpr std::chrono::milliseconds pollInterval{100};

    struct Chosen {
        std::string uid;
        std::string name; // as the user knows it, for the outcome
    };
    struct Defaults {
        std::optional<Chosen> output;
        std::optional<Chosen> input;
    };

    DefaultDeviceRestorer(AudioHardware& hardware, Sleeper& sleeper, Clock& clock)
        : devices(hardware), sleeper(sleeper), clock(clock) {}

    // The defaults now; a device without a stable name cannot be found again and is left out.
    Defaults remember();

    // Makes the remembered devices the defaults again, waiting for them at most `returnWait`.
    // Answers the names of those that could not be made the default again, in the order output,
    // input. Throws TaskCancelled when `stop` is requested during a wait.
    std::vector<std::string> restore(const Defaults& remembered, const StopToken& stop);

private:
    std::optional<Chosen> chosen(bool input);
    std::optional<AudioObjectID> find(const std::string& uid);
    // Whether the device is the default now, after asking for it when it was not.
    bool makeDefault(const Chosen& device, bool input);

    AudioDevices devices;
    Sleeper& sleeper;
    Clock& clock;
};

} // namespace sonifix
