#pragma once

#include "Daemon.h"
#include "platform/PipeWireCore.h"
#include "platform/ProcessTable.h"
#include "platform/ProgramLauncher.h"
#include "platform/ServiceManager.h"
#include "platform/Sleeper.h"
#include "platform/SoundServerProbe.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace sonifix {

// The sound server of this session on Linux (PipeWire or PulseAudio) and how to restart it
// without a password. Its kind is the one that answers the sound clients, asked at every restart:
// PipeWire often runs beside PulseAudio for screen capture alone. The server itself is the
// process that takes connections on the socket this session's clients use, and PipeWire's
// companions (session manager, PulseAudio bridge, filter chains) are the programs connected to
// it: a server of another session, even of the same user, is never touched. Where the user's
// service manager says the server is the main process of one of its units, it restarts that
// unit with its companions' units. Anywhere
// else the server and its companions are stopped together, and brought back by whatever
// supervises them or, when nothing does, started again by the app: the system program each
// ran, with its command line, in this session's environment, detached so that they outlive it.
// Every process is held from the moment it is found, so that a signal never reaches another that
// took its ID. A stopped or deadlocked server ignores SIGTERM, so stopping ends in SIGKILL.
class SoundServer final : public Daemon {
public:
    // The session whose server it is.
    struct Session {
        std::uint32_t user = 0;
        // Its environment, "NAME=value": where its clients find the server, and what programs
        // started again run with.
        std::vector<std::string> environment;
        // The app's own process: the unit it runs in is never the server's.
        std::int32_t self = 0;
    };

    // How long the server may take to say what it is before it counts as not answering.
    static constexpr std::chrono::milliseconds answerDeadline{250};
    // How long a process is given to end after SIGTERM, and then after SIGKILL.
    static constexpr std::chrono::milliseconds terminateGrace{500};
    static constexpr std::chrono::milliseconds killGrace{1000};
    static constexpr std::chrono::milliseconds exitCheckInterval{10};
    static constexpr std::chrono::milliseconds serviceRestartLimit{8000};
    // How long a supervisor is given to bring the stopped programs back before the app starts
    // them itself: supervisors respawn within a few hundred milliseconds.
    static constexpr std::chrono::milliseconds supervisorGrace{1000};
    static constexpr std::chrono::milliseconds backCheckInterval{20};
    // How long PipeWire's companions wait for a new server to take connections, and, when the
    // app is quitting, the shorter wait it can afford.
    static constexpr std::chrono::milliseconds readyLimit{3000};
    static constexpr std::chrono::milliseconds readyLimitWhenQuitting{500};

    SoundServer(ServiceManager& services, ProcessTable& table, SoundServerProbe& probe,
                PipeWireCore& pipewireCore, ProgramLauncher& launcher, Sleeper& sleeper,
                Session session);

    // The server's name as its makers write it ("PipeWire" for "pipewire").
    static std::string displayName(const std::string& processName);
    // The process name of the server that gave itself `serverName` in libpulse's server info.
    static std::string kindOf(std::string_view serverName);
    // Where clients of a session with `environment` reach PulseAudio (or PipeWire's bridge), and
    // PipeWire; empty when the environment does not say.
    static std::string pulseSocket(const std::vector<std::string>& environment);
    static std::string pipewireSocket(const std::vector<std::string>& environment);

    std::string name() override;
    std::int32_t stop(StopToken stop) override;
    void bringBack(StopToken stop) override;
    std::string startCommand() override;
    std::optional<std::int32_t> pid() override;

private:
    // One stopped program and how to start it again.
    struct Stopped {
        std::string role; // its program and configuration: the server's differs from the rest
        bool isServer = false;
        ProgramLaunch launch;
        bool refused = false; // not a system program: it is not started from here
    };
    // A process found, held so that no other can take its place.
    struct Found {
        ProcessEntry entry;
        std::shared_ptr<HeldProcess> held;
    };

    Stopped stoppedProgram(const ProcessEntry& process, bool isServer) const;
    bool isBack(const Stopped& program);
    int start(const Stopped& program);
    void waitUntilListening(const std::vector<Stopped>& programs, const StopToken& stop);
    std::string kindNow(bool& answered);
    bool isOurs(const std::optional<ProcessEntry>& process) const;
    std::optional<ProcessEntry> server(const std::string& kind);
    std::vector<ProcessEntry> companions(const ProcessEntry& server);
    std::string unitOf(const ProcessEntry& process);
    std::int32_t restartUnits(const ProcessEntry& server, const std::string& unit,
                              const std::vector<Found>& all, bool answered,
                              const std::string& kind);
    std::int32_t signalAndWait(const Found& server, std::vector<Found> all, const std::string& kind,
                               const StopToken& stop);
    bool waitForExit(std::vector<Found>& processes, std::chrono::milliseconds limit,
                     const StopToken& stop);

    ServiceManager& services;
    ProcessTable& table;
    SoundServerProbe& probe;
    PipeWireCore& pipewireCore;
    ProgramLauncher& launcher;
    Sleeper& sleeper;
    const Session session;
    std::mutex mutex;
    std::string stopped;           // the kind of server stopped last
    std::vector<Stopped> relaunch; // its programs, server first, where no unit runs them
};

} // namespace sonifix
