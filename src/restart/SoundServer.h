#pragma once

#include "Daemon.h"
#include "platform/ProcessRunner.h"
#include "platform/ProcessTable.h"
#include "platform/Sleeper.h"
#include "platform/SoundServerProbe.h"

#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace sonifix {

// The user's own sound server on Linux (PipeWire or PulseAudio) and how to restart it without a
// password. The server is the one that answers the sound clients, asked at every restart:
// PipeWire often runs beside PulseAudio for screen capture alone. Where the user's service
// manager runs the server it restarts the server's unit with its companions; anywhere else the
// server and its companions are stopped and their supervisor is trusted to bring them back, as
// launchd brings back coreaudiod. A stopped or deadlocked server ignores SIGTERM, so stopping
// ends in SIGKILL.
class SoundServer final : public Daemon {
public:
    // Whose processes count: the user's, and, where given, only the children of one process.
    struct Owners {
        std::uint32_t user = 0;
        std::optional<std::int32_t> parent;
    };

    static constexpr const char* systemctl = "/usr/bin/systemctl";
    // How long the server may take to say what it is before it counts as not answering.
    static constexpr std::chrono::milliseconds answerDeadline{250};
    // How long a process is given to end after SIGTERM, and then after SIGKILL.
    static constexpr std::chrono::milliseconds terminateGrace{500};
    static constexpr std::chrono::milliseconds killGrace{1000};
    static constexpr std::chrono::milliseconds exitCheckInterval{10};
    static constexpr std::chrono::milliseconds serviceKillLimit{2000};
    static constexpr std::chrono::milliseconds serviceRestartLimit{8000};

    SoundServer(ProcessRunner& processes, ProcessTable& table, SoundServerProbe& probe,
                Sleeper& sleeper, Owners owners);

    // The server's name as its makers write it ("PipeWire" for "pipewire").
    static std::string displayName(const std::string& processName);
    // The process name of the server that gave itself `serverName` in libpulse's server info.
    static std::string kindOf(std::string_view serverName);
    // The user service unit that runs a process in `controlGroup`; empty when none does.
    static std::string serviceUnit(std::string_view controlGroup);

    std::string name() override;
    std::int32_t stop(StopToken stop) override;
    std::optional<std::int32_t> pid() override;

private:
    std::string kindNow(bool& answered);
    std::vector<ProcessEntry> owned(const std::vector<std::string>& names);
    std::optional<ProcessEntry> server(const std::string& kind);
    std::int32_t restartUnits(const ProcessEntry& server, const std::vector<ProcessEntry>& all,
                              bool answered, const std::string& kind);
    std::int32_t signalAndWait(const ProcessEntry& server, std::vector<ProcessEntry> all,
                               const std::string& kind, const StopToken& stop);
    bool waitForExit(std::vector<ProcessEntry>& processes, std::chrono::milliseconds limit,
                     const StopToken& stop);

    ProcessRunner& processes;
    ProcessTable& table;
    SoundServerProbe& probe;
    Sleeper& sleeper;
    const Owners owners;
    std::mutex mutex;
    std::string stopped; // the kind of server stopped last
};

} // namespace sonifix
