#include "CoreAudioRestarter.h"

#include "PasswordFreeRule.h"
#include "support/TaskCancelled.h"
#include "support/Utf8.h"

#include <algorithm>
#include <charconv>
#include <future>
#include <memory>
#include <string_view>

namespace sonifix {

namespace {

constexpr std::int64_t userCancelledScriptError = -128;
constexpr std::string_view adminCommandFailed = "The admin command failed.";

// A decimal, signed 32-bit number and nothing else: an optional sign, then digits.
std::optional<std::int32_t> parseProcessID(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        // A second sign after the '+' is not a number.
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
            return std::nullopt;
        }
    }
    std::int32_t value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::string_view firstLine(std::string_view text) {
    const auto start = text.find_first_not_of('\n');
    if (start == std::string_view::npos) {
        return {};
    }
    text.remove_prefix(start);
    return text.substr(0, text.find('\n'));
}

} // namespace

CoreAudioRestarter::CoreAudioRestarter(Platform& platform, DaemonIdentity daemon)
    : platform(platform), devices(platform.hardware), daemon(std::move(daemon)) {}

CoreAudioRestarter::CoreAudioRestarter(Platform& platform, Daemon& found)
    : platform(platform), devices(platform.hardware), found(&found) {}

ProcessResult CoreAudioRestarter::run(const std::string& path,
                                      const std::vector<std::string>& arguments) {
    auto result = platform.processes.run(path, arguments);
    result.output = utf8::repaired(result.output);
    return result;
}

std::optional<std::int32_t> CoreAudioRestarter::coreaudiodPID() {
    return processID(run(daemon.lookup.path, daemon.lookup.arguments).output);
}

std::optional<std::int32_t> CoreAudioRestarter::processID(std::string_view lookupOutput) {
    return parseProcessID(firstLine(lookupOutput));
}

bool CoreAudioRestarter::restart(StopToken stop) {
    const auto requested = platform.clock.steadyNow();
    std::optional<std::int32_t> oldPID;
    std::int32_t passwordFreeStatus = 0;
    if (found) {
        oldPID = found->stop(stop);
        found->bringBack(stop);
    } else {
        oldPID = coreaudiodPID();
        if (daemon.needsRoot) {
            passwordFreeStatus = stopAsRoot();
        } else {
            stopAsUser();
        }
    }

    // The time behind an administrator prompt is the user's, not the daemon's.
    const auto start = daemon.needsRoot ? platform.clock.steadyNow() : requested;
    for (int poll = 1; poll <= maxPolls; ++poll) {
        const auto due = start + poll * pollInterval;
        const auto now = platform.clock.steadyNow();
        // Questions that took long have used up the polls they overran.
        if (now >= due + pollInterval && poll < maxPolls) {
            continue;
        }
        pause(std::clamp<std::chrono::nanoseconds>(due - now, std::chrono::nanoseconds(0),
                                                   pollInterval),
              stop);
        // Asked on every poll, before the process check, although only the second answer counts.
        (void)devices.defaultDevice(false);
        const auto newPID = currentPID();
        const bool isNew = newPID && (!oldPID || *newPID != *oldPID);
        if (isNew && devices.defaultDevice(false)) {
            pause(settleTime, stop);
            return passwordFreeStatus != 0;
        }
    }
    throw Failure::didNotComeBack(daemonName(), found ? found->startCommand() : std::string());
}

std::optional<std::int32_t> CoreAudioRestarter::currentPID() {
    return found ? found->pid() : coreaudiodPID();
}

std::int32_t CoreAudioRestarter::stopAsRoot() {
    std::vector<std::string> arguments{"-n"};
    arguments.insert(arguments.end(), daemon.killCommand.begin(), daemon.killCommand.end());
    const auto status = run("/usr/bin/sudo", arguments).status;
    if (status != 0) {
        runAsAdmin(joinedKillCommand());
    }
    return status;
}

void CoreAudioRestarter::stopAsUser() {
    const auto& program = daemon.killCommand.front();
    const std::vector<std::string> arguments(daemon.killCommand.begin() + 1,
                                             daemon.killCommand.end());
    if (const auto status = run(program, arguments).status; status != 0) {
        throw Failure::failed("Couldn’t stop " + daemon.name + ": " + joinedKillCommand() +
                              (status < 0 ? " could not be started."
                                          : " ended with status " + std::to_string(status) + "."));
    }
}

void CoreAudioRestarter::pause(std::chrono::nanoseconds duration, const StopToken& stop) {
    if (!platform.sleeper.sleep(duration, stop)) {
        throw TaskCancelled();
    }
}

std::string CoreAudioRestarter::joinedKillCommand() const {
    std::string line;
    for (const auto& part : daemon.killCommand) {
        if (!line.empty()) {
            line += ' ';
        }
        line += part;
    }
    return line;
}

std::string CoreAudioRestarter::adminScript(const std::string& commandLine) {
    std::string escaped;
    escaped.reserve(commandLine.size());
    for (const char c : commandLine) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
        }
        escaped += c;
    }
    return "do shell script \"" + escaped + "\" with administrator privileges";
}

void CoreAudioRestarter::runAsAdmin(const std::string& commandLine) {
    if (platform.mainQueue.isMainThread()) {
        runAsAdminOnMainThread(commandLine);
        return;
    }
    // Only the block holds the promise: if the queue drops the block unrun, the broken promise
    // wakes this thread with an error instead of leaving it waiting for ever. The outcome comes
    // back as a value, rethrown here, so no exception object is shared between the threads.
    auto done = std::make_shared<std::promise<std::optional<Failure>>>();
    auto finished = done->get_future();
    platform.mainQueue.post([this, done = std::move(done), commandLine] {
        try {
            runAsAdminOnMainThread(commandLine);
            done->set_value(std::nullopt);
        } catch (const Failure& failure) {
            done->set_value(failure);
        }
    });
    if (const auto failure = finished.get()) {
        throw *failure;
    }
}

void CoreAudioRestarter::runAsAdminOnMainThread(const std::string& commandLine) {
    const auto result = platform.adminShell.run(adminScript(commandLine));
    if (!result.made || !result.error) {
        return;
    }
    if (result.error->number == userCancelledScriptError) {
        throw Failure::cancelled();
    }
    throw Failure::failed(result.error->message.value_or(std::string(adminCommandFailed)));
}

void CoreAudioRestarter::installPasswordFree() {
    const auto userName = platform.user.shortName();
    // A name the user database gives to another account would hand that account the rule.
    if (!PasswordFreeRule::isAcceptableUserName(userName) ||
        platform.user.userIdOf(userName) != platform.user.userId()) {
        throw Failure::failed("Unexpected user name \"" + userName + "\".");
    }
    runAsAdmin(PasswordFreeRule::installCommandLine(userName, joinedKillCommand()));
}

} // namespace sonifix
