#pragma once

#include <string>

namespace sonifix {

// Something wrong with the sound that the user hears, or soon will, and that a restart of the
// sound server cures.
struct SoundTrouble {
    enum class Kind {
        hungServer,          // the server, or its PulseAudio bridge, stopped answering
        crackle,             // a device keeps missing its deadlines
        stalledGraph,        // a running device no longer moves while the server answers
        stuckSessionManager, // new streams are left unconnected
    };
    Kind kind = Kind::hungServer;
    // The device it happens on, as the user knows it; empty when it is the whole server.
    std::string device;

    friend bool operator==(const SoundTrouble&, const SoundTrouble&) = default;
};

} // namespace sonifix
