#include "CoreAudioRestarter.h"

#include "PasswordFreeRule.h"
#include "support/PlatformError.h"
#include "support/TaskCancelled.h"
#include "support/Utf8.h"

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

ProcessResult CoreAudioRestarter::run(const std::string& path,
                                      const std::vector<std::string>& arguments) {
    auto result = platform.processes.run(path, arguments);
    result.output = utf8::repaired(result.output);
    return result;
}

std::optional<std::int32_t> CoreAudioRestarter::coreaudiodPID() {
    return parseProcessID(firstLine(run(daemon.lookup.path, daemon.lookup.arguments).output));
}

bool CoreAudioRestarter::restart(StopToken stop) {
    const auto oldPID = coreaudiodPID();

    std::int32_t passwordFreeStatus = 0;
    if (daemon.needsRoot) {
        std::vector<std::string> arguments{"-n"};
        arguments.insert(arguments.end(), daemon.killCommand.begin(), daemon.killCommand.end());
        passwordFreeStatus = run("/usr/bin/sudo", arguments).status;
        if (passwordFreeStatus != 0) {
            runAsAdmin(joinedKillCommand());
        }
    } else {
        const auto& program = daemon.killCommand.front();
        const std::vector<std::string> arguments(daemon.killCommand.begin() + 1,
                                                 daemon.killCommand.end());
        if (const auto status = run(program, arguments).status; status != 0) {
            throw Failure::failed("Couldn’t stop " + daemon.name + ": " + joinedKillCommand() +
                                  (status < 0
                                       ? " could not be started."
                                       : " ended with status " + std::to_string(status) + "."));
        }
    }

    for (int poll = 1; poll <= maxPolls; ++poll) {
        pause(pollInterval, stop);
        // Asked on every poll, before the process check, although only the second answer counts.
        (void)devices.defaultDevice(false);
        const auto newPID = coreaudiodPID();
        const bool isNew = newPID && (!oldPID || *newPID != *oldPID);
        if (isNew && devices.defaultDevice(false)) {
            pause(settleTime, stop);
            return passwordFreeStatus != 0;
        }
    }
    throw Failure::didNotComeBack(daemon.name);
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
    if (!PasswordFreeRule::isAcceptableUserName(userName)) {
        throw Failure::failed("Unexpected user name \"" + userName + "\".");
    }
    const auto directory = platform.files.temporaryDirectory();
    // The path goes between single quotes into a command that runs as root.
    if (directory.find('\'') != std::string::npos) {
        throw Failure::failed("The temporary folder \"" + directory +
                              "\" has a single quote in its path, which can't be passed "
                              "safely to the administrator command.");
    }
    const auto temporaryPath = directory + "/sonifix-" + platform.uuids.makeUuid();
    if (const auto error = platform.files.writeAtomically(
            temporaryPath, PasswordFreeRule::line(userName, joinedKillCommand()))) {
        throw PlatformError(*error);
    }
    struct RemoveWhenDone {
        FileSystem& files;
        const std::string& path;
        ~RemoveWhenDone() { files.remove(path); }
    } cleanup{platform.files, temporaryPath};

    runAsAdmin(PasswordFreeRule::installCommandLine(temporaryPath));
}

} // namespace sonifix
