#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace sonifix {

// What the app can tell another launch, or a script, about the audio daemon and its restarts.
struct AppStatus {
    // One default device, as a script reads it.
    struct Device {
        std::string name;        // the system's own name for it, stable across restarts
        std::string description; // the name a person reads
        double rateHz = 0;
        std::string transport; // "builtIn", "bluetooth", "usb"…; empty when the system says none
    };

    std::string server;              // the daemon as the menu names it ("PipeWire")
    std::optional<std::int32_t> pid; // nothing when it is not running
    std::string output;              // the default output's "name · rate"; empty when none
    std::string input;               // the same for the default input
    std::optional<std::chrono::system_clock::time_point> lastRestart;
    std::string lastRestartText; // the menu's status line
    std::int64_t restartCount = 0;
    // Whether a sound server answered the question; a running but frozen one does not.
    bool answering = true;
    // The server that answered, as it names itself underneath any bridge ("PipeWire", "1.0.5");
    // empty where it does not say.
    std::string serverName;
    std::string serverVersion;
    std::optional<Device> outputDevice;
    std::optional<Device> inputDevice;
    bool restarting = false;
};

} // namespace sonifix
