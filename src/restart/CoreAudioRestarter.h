#pragma once

#include "Daemon.h"
#include "DaemonIdentity.h"
#include "RestartFailure.h"
#include "audio/AudioDevices.h"
#include "platform/Platform.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonifix {

// Restarts the audio daemon: kills it (password-free if it can, else behind the administrator
// prompt) and waits until a new instance runs and the system has a default output again. Holds
// no state between calls; every operation but runAsAdmin runs off the main thread.
class CoreAudioRestarter {
public:
    using Failure = RestartFailure;

    static constexpr std::chrono::milliseconds pollInterval{250};
    static constexpr int maxPolls = 40;
    static constexpr std::chrono::milliseconds settleTime{700};

    CoreAudioRestarter(Platform& platform, DaemonIdentity daemon);
    // For a daemon found afresh at every restart and stopped without root.
    CoreAudioRestarter(Platform& platform, Daemon& found);

    // Runs a program to its end: its exit status (-1 when it could not start) and its standard
    // output as UTF-8 text, ill-formed bytes replaced. Never throws.
    ProcessResult run(const std::string& path, const std::vector<std::string>& arguments);

    // The daemon's process ID: the first line of the lookup's output, if it is a decimal number.
    std::optional<std::int32_t> coreaudiodPID();
    static std::optional<std::int32_t> processID(std::string_view lookupOutput);

    const std::vector<std::string>& killCommand() const { return daemon.killCommand; }

    // The running daemon's process ID, by whichever way this engine finds the daemon.
    std::optional<std::int32_t> currentPID();

    // The daemon's name as the failure texts give it.
    std::string daemonName() const { return found ? found->name() : daemon.name; }

    // Answers true when the administrator prompt was used, false when the password-free route
    // did it. Throws Failure, or TaskCancelled when `stop` is requested during a wait. The polls
    // keep to the clock: the 40 of them end 10 seconds after the daemon was stopped (for a daemon
    // stopped without root, after the request), however long their questions take.
    bool restart(StopToken stop);

    // Runs a shell command line as root behind the administrator prompt, on the main thread:
    // from any other thread it waits for the main thread to do it. Throws Failure.
    void runAsAdmin(const std::string& commandLine);

    // Installs the password-free sudoers rule for the current user. Throws Failure.
    void installPasswordFree();

    // The AppleScript that runs `commandLine` with administrator privileges.
    static std::string adminScript(const std::string& commandLine);

private:
    void runAsAdminOnMainThread(const std::string& commandLine);
    std::int32_t stopAsRoot();
    void stopAsUser();
    void pause(std::chrono::nanoseconds duration, const StopToken& stop);
    std::string joinedKillCommand() const;

    Platform& platform;
    AudioDevices devices;
    DaemonIdentity daemon;
    Daemon* found = nullptr;
};

} // namespace sonifix
