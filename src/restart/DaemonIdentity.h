#pragma once

#include <string>
#include <vector>

namespace sonifix {

struct Command {
    std::string path;
    std::vector<std::string> arguments;
};

// Which daemon a restart stops and how: the engine's steps are the same on every platform,
// this value is what differs.
struct DaemonIdentity {
    // The process name, as texts name the daemon.
    std::string name;
    // Prints the running daemon's process IDs, one per line, first the one that counts.
    Command lookup;
    // The program and arguments that stop the daemon.
    std::vector<std::string> killCommand;
    // Stopping needs root: the kill is first tried through `sudo -n` (which the password-free
    // rule allows), then as a shell command behind the administrator prompt. Without it, the
    // kill command runs as the user and its failure is the restart's failure.
    bool needsRoot = false;

    // The Core Audio daemon of macOS.
    static DaemonIdentity coreaudiod();
};

} // namespace sonifix
