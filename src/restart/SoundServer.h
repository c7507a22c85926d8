#pragma once

#include "DaemonIdentity.h"
#include "platform/ProcessRunner.h"

#include <string>
#include <vector>

namespace sonifix {

// The user's own sound server on Linux (PipeWire or PulseAudio) and how to restart it without a
// password. The user's service manager restarts it where it runs the server, with its session
// manager and PulseAudio bridge; anywhere else the server is stopped and its supervisor is
// trusted to bring it back, as launchd brings back coreaudiod.
class SoundServer {
public:
    static constexpr const char* pgrep = "/usr/bin/pgrep";
    static constexpr const char* pkill = "/usr/bin/pkill";
    static constexpr const char* systemctl = "/usr/bin/systemctl";

    explicit SoundServer(ProcessRunner& processes) : processes(processes) {}

    // Which processes count as the user's: the process-selection options that pgrep and pkill
    // are given before the server's name.
    static std::vector<std::string> ownedBy(const std::string& userName) {
        return {"-u", userName};
    }

    // The server's name as its makers write it ("PipeWire" for "pipewire").
    static std::string displayName(const std::string& processName);

    // Looks at what runs now. With no server running, PipeWire is assumed (the desktops' default);
    // the restart will then report that there was nothing to stop.
    DaemonIdentity identity(const std::vector<std::string>& owners);

private:
    // The first line `program arguments…` prints, empty when it prints none or fails.
    std::string firstLine(const std::string& program, const std::vector<std::string>& arguments);
    std::vector<std::string> serviceUnitsRunning(const std::string& name, const std::string& pid);

    ProcessRunner& processes;
};

} // namespace sonifix
