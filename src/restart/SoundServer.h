#pragma once

#include "Daemon.h"
#include "platform/ProcessRunner.h"
#include "platform/ProcessTable.h"
#include "platform/ProgramLauncher.h"
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
// manager runs the server it restarts the server's unit with its companions. Anywhere else the
// server and its companions are stopped together, and brought back by whatever supervises them
// or, when nothing does, started again by the app as they were started before (program,
// command line, folder, environment), detached so that they outlive it. A stopped or
// deadlocked server ignores SIGTERM, so stopping ends in SIGKILL.
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
    // How long a supervisor is given to bring the stopped programs back before the app starts
    // them itself: supervisors respawn within a few hundred milliseconds.
    static constexpr std::chrono::milliseconds supervisorGrace{1000};
    static constexpr std::chrono::milliseconds backCheckInterval{20};
    // How long PipeWire's companions wait for a new server to take connections, and, when the
    // app is quitting, the shorter wait it can afford.
    static constexpr std::chrono::milliseconds readyLimit{3000};
    static constexpr std::chrono::milliseconds readyLimitWhenQuitting{500};

    SoundServer(ProcessRunner& processes, ProcessTable& table, SoundServerProbe& probe,
                ProgramLauncher& launcher, Sleeper& sleeper, Owners owners);

    // The server's name as its makers write it ("PipeWire" for "pipewire").
    static std::string displayName(const std::string& processName);
    // The process name of the server that gave itself `serverName` in libpulse's server info.
    static std::string kindOf(std::string_view serverName);
    // The user service unit that runs a process in `controlGroup`; empty when none does.
    static std::string serviceUnit(std::string_view controlGroup);

    std::string name() override;
    std::int32_t stop(StopToken stop) override;
    void bringBack(StopToken stop) override;
    std::string startCommand() override;
    std::optional<std::int32_t> pid() override;

private:
    // One stopped program and how to start it again.
    struct Stopped {
        std::string name;
        std::string role; // tells the server from a companion of the same name
        bool isServer = false;
        ProgramLaunch launch;
        std::string programFile; // the file the system says it ran, when `launch` names another
    };

    std::optional<Stopped> stoppedProgram(const ProcessEntry& process, bool isServer);
    bool isBack(const Stopped& program);
    int start(const Stopped& program);
    void waitUntilListening(const std::vector<Stopped>& programs, const StopToken& stop);
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
    ProgramLauncher& launcher;
    Sleeper& sleeper;
    const Owners owners;
    std::mutex mutex;
    std::string stopped;           // the kind of server stopped last
    std::vector<Stopped> relaunch; // its programs, server first, where no unit runs them
};

} // namespace sonifix
