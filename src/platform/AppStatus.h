#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace sonifix {

// What the app can tell another launch, or a script, about the audio daemon and its restarts.
struct AppStatus {
    std::string server;              // the daemon as the menu names it ("PipeWire")
    std::optional<std::int32_t> pid; // nothing when it is not running
    std::string output;              // the default output's "name · rate"; empty when none
    std::string input;               // the same for the default input
    std::optional<std::chrono::system_clock::time_point> lastRestart;
    std::string lastRestartText; // the menu's status line
    std::int64_t restartCount = 0;
};

} // namespace sonifix
