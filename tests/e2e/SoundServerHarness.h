#pragma once

#include "restart/SoundServer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace sonifix::testing {

enum class ServerKind { pulseaudio, pipewire };

// Test names show the server by name.
inline void PrintTo(ServerKind kind, std::ostream* out) {
    *out << (kind == ServerKind::pulseaudio ? "pulseaudio" : "pipewire");
}

// A private sound server for end-to-end tests, in a directory of its own: PulseAudio, or
// PipeWire with WirePlumber and the PulseAudio bridge under a private session bus. It has three
// null devices that say how they are attached, as real ones do: "Built-in Speakers" (the
// default output), "BT Headset Microphone" and "Built-in Microphone" (the default input).
//
// Every process is a child of the test process, which is how a test tells them from others.
// The harness plays the part of the user's service manager: a server that dies is started again
// (unless told otherwise). It stops every process it started, by PID, when it goes; a test
// process that dies takes them with it.
class SoundServerHarness {
public:
    struct Device {
        std::string name;
        std::string description;
        bool input;
        double sampleRate;
    };

    static const std::vector<Device>& devices();
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
    std::string serverAddress() const;
    // The processes of this harness: the test process's children.
    SoundServer::Owners owners() const;
    // The running server process (pulseaudio or pipewire); 0 when there is none.
    pid_t serverPID() const;

    // Whether a server that dies is started again.
    void setRespawn(bool respawn);
    // Stops the server with SIGTERM and waits until it has been started again and answers.
    void restartServer();
    // How long the last respawned server took from being started to answering with its default
    // output.
    std::optional<std::chrono::milliseconds> lastComeback() const;
    // When the last respawned server first answered with its default output.
    std::optional<std::chrono::steady_clock::time_point> lastAnswered() const;
    // Waits until the server answers with the default output it started with.
    bool waitUntilAnswering(std::chrono::milliseconds limit);

    // Stops (SIGSTOP) and continues (SIGCONT) the processes a client talks to.
    void freeze();
    void thaw();

    // Runs pactl against this server; its output without the final line feed.
    std::string pactl(const std::vector<std::string>& arguments) const;

private:
    struct Child {
        std::string name;
        std::vector<std::string> command;
        pid_t pid = 0;
    };

    void writeConfiguration();
    std::vector<std::string> environment() const;
    pid_t spawn(const Child& child) const;
    void startMissing(std::unique_lock<std::mutex>& lock);
    bool pipewireListening() const;
    Child* find(const std::string& name);
    void supervise();
    void stopAll();
    std::string logTail() const;

    const ServerKind kind;
    std::string directory;
    mutable std::mutex mutex;
    std::condition_variable reaped;
    std::vector<Child> children;
    bool respawn = true;
    bool stopping = false;
    std::optional<std::chrono::milliseconds> comeback;
    std::optional<std::chrono::steady_clock::time_point> answered;
    std::optional<std::chrono::steady_clock::time_point> respawnedAt;
    std::thread supervisor;
};

} // namespace sonifix::testing
