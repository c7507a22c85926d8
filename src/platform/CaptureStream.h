#pragma once

#include <cstdint>
#include <string>

namespace sonifix {

// A stream that records from an input, as the sound server describes it.
struct CaptureStream {
    std::string app;    // the application's name, as the user knows it
    std::string appId;  // its reverse-domain identifier, where it gives one
    std::string binary; // the name of its program file
    std::int32_t pid = 0;
    std::string role; // what it says it is for: "phone" for a call
    bool corked = false;
    bool fromMonitor = false; // it records what an output plays, not a microphone
};

} // namespace sonifix
