#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sonifix {

// How to start a program: what the system is asked to run, and with what.
struct ProgramLaunch {
    // A path, or a bare name looked up on the PATH of `environment` (the app's own without one).
    std::string program;
    // The command line the program sees, its own name first; empty: the program alone.
    std::vector<std::string> arguments;
    // Empty: the user's home folder.
    std::string workingDirectory;
    // "NAME=value" entries; nothing: the app's own environment.
    std::optional<std::vector<std::string>> environment;
};

} // namespace sonifix
