#pragma once

#include "restart/SoundServer.h"

#include <chrono>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <sys/types.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace sonifix::testing {

enum class ServerKind { pulseaudio, pipewire };

// Test names show the server by name.
inline void PrintTo(ServerKind kind, std::ostream* out) {
    *out << (kind == ServerKind::pulseaudio ? "pulseaudio" : "pipewire");
}

// A private sound server of the test's own, started from the private desktop's scripts (see
// PrivateDesktop): PulseAudio, or PipeWire with WirePlumber and the PulseAudio bridge, with the
// devices "Built-in Speakers" (default output), "AirPods Pro" and "Built-in Microphone" (default
// input).
//
// Every process is a child of the test process and runs in the server's runtime folder, which is
// how the harness tells them from others (the app finds them by the session's sockets). The harness
// plays the user's service manager: a server that dies is started again (unless told otherwise). As
// the test process is their subreaper, it adopts what the app starts detached: in the place of the
// program it replaces, or as a second server where one of its name still runs. It stops them all,
// by PID, when it goes.
class SoundServerHarness {
public:
    static std::string daemonName(ServerKind kind);
    // The programs this kind of server needs that cannot be found; empty when all are there.
    static std::vector<std::string> missingPrograms(ServerKind kind);

    explicit SoundServerHarness(ServerKind kind);
    ~SoundServerHarness();
    SoundServerHarness(const SoundServerHarness&) = delete;
    SoundServerHarness& operator=(const SoundServerHarness&) = delete;

    // Starts the server and waits until it answers with its default devices. Throws
    // std::runtime_error, with the end of the server's log, when it does not.
    void start();

    // Where libpulse finds it.
    std::string serverAddress() const { return "unix:" + folder + "/run/pulse/native"; }
    // The session the server serves: the environment its start scripts give it.
    SoundServer::Session session() const;
    // The running server process (pulseaudio or pipewire); 0 when there is none, or when the
    // one the app started has not been adopted yet.
    pid_t serverPID() const;

    void setRespawn(bool respawn);
    // When the last server started since start() first answered with its default output.
    std::optional<std::chrono::steady_clock::time_point> lastAnswered() const;
    // Waits until the server answers with the default output it started with.
    bool waitUntilAnswering(std::chrono::milliseconds limit);

    // How many server programs were adopted while one of their name still ran.
    int secondServers() const;

    // Stops (SIGSTOP) and continues (SIGCONT) the processes a client talks to.
    void freeze();
    void thaw();

    // Runs pactl against this server; its output without the final line feed.
    std::string pactl(const std::vector<std::string>& arguments) const;

private:
    struct Child {
        std::string name;
        pid_t pid = 0;
        bool second = false; // adopted beside a running one of its name
    };

    void adopt();
    // Whether the process runs in this server's runtime folder.
    bool runsHere(pid_t pid) const;
    void supervise();
    // Sends a signal to every running process but those named `except`; the lock held.
    void signalAll(int number, const std::string& except = {}) const;
    // Whether the server answers with the default output it starts with.
    bool answers() const;

    const ServerKind kind;
    const std::string folder;
    mutable std::mutex mutex;
    std::vector<Child> children;
    bool respawn = true;
    bool stopping = false;
    std::optional<std::chrono::steady_clock::time_point> answered;
    bool awaitingAnswer = false; // a server started since it last answered
    std::thread supervisor;
};

} // namespace sonifix::testing
