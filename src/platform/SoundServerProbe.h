#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace sonifix {

// Asks the sound server that the sound clients talk to what it is: the name it gives itself
// ("pulseaudio", or "PulseAudio (on PipeWire 1.0.5)" for PipeWire's bridge). Any thread; never
// throws.
class SoundServerProbe {
public:
    virtual ~SoundServerProbe() = default;

    // Asks now, waiting at most `deadline`: nothing when no server answered in time (none runs,
    // or it is frozen).
    virtual std::optional<std::string> serverName(std::chrono::milliseconds deadline) = 0;

    // The name from the last answer the server gave, without asking: nothing before the first.
    virtual std::optional<std::string> lastServerName() = 0;
};

} // namespace sonifix
