#include "CommandLine.h"

#include "support/TerminalText.h"

#include <cmath>
#include <ctime>
#include <nlohmann/json.hpp>

namespace sonifix {

namespace {

constexpr auto programName = "sonifix";
constexpr auto doesNotAnswer = "another Sonifix runs in this session but does not answer";

// A moment as scripts like to read it: UTC, to the second, "2026-12-06T09:00:00Z".
std::string isoTime(std::chrono::system_clock::time_point moment) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(moment);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

nlohmann::json deviceJson(const std::optional<AppStatus::Device>& device) {
    if (!device) {
        return nullptr;
    }
    return {
        {"name", device->name},
        {"description", device->description},
        // Rates are whole numbers of hertz, and read as such: 48000, not 48000.0.
        {"rateHz", device->rateHz == std::floor(device->rateHz) && std::abs(device->rateHz) < 1e15
                       ? nlohmann::json(std::int64_t(device->rateHz))
                       : nlohmann::json(device->rateHz)},
        {"transport",
         device->transport.empty() ? nlohmann::json() : nlohmann::json(device->transport)}};
}

std::string lowercased(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

} // namespace

CommandLine::CommandLine(SingleInstance& instance, CommandHost& host, std::string version)
    : instance(instance), host(host), version(std::move(version)) {}

std::optional<CommandLine::Command> CommandLine::parseUrl(std::string_view url) {
    // Schemes and, for this one, the command are case-insensitive: "SONIFIX://Restart" works.
    const std::string link = lowercased(url);
    const std::string_view scheme = "sonifix:";
    if (!link.starts_with(scheme)) {
        return std::nullopt;
    }
    std::string_view command = std::string_view(link).substr(scheme.size());
    if (command.starts_with("//")) {
        command.remove_prefix(2);
    }
    if (command.ends_with('/')) {
        command.remove_suffix(1);
    }
    if (command.empty()) {
        return Command::launch;
    }
    if (command == "restart") {
        return Command::restart;
    }
    return std::nullopt;
}

CommandLine::Parsed CommandLine::parse(const std::vector<std::string>& arguments) {
    Parsed parsed;
    bool commandGiven = false;
    const auto command = [&](Command given, const std::string& argument) {
        if (commandGiven && parsed.command != given) {
            parsed.error = "only one command at a time, and '" + argument + "' is a second";
        }
        parsed.command = given;
        commandGiven = true;
    };
    for (const auto& argument : arguments) {
        if (argument == "--restart") {
            command(Command::restart, argument);
        } else if (argument == "--status") {
            command(Command::status, argument);
        } else if (argument == "--json") {
            parsed.json = true;
        } else if (argument == "--help" || argument == "-h") {
            command(Command::help, argument);
        } else if (argument == "--version") {
            command(Command::version, argument);
        } else {
            parsed.error = "unknown option '" + argument + "'";
        }
        if (!parsed.error.empty()) {
            return parsed;
        }
    }
    if (parsed.json && parsed.command != Command::status) {
        parsed.error = "'--json' goes with '--status'";
    }
    return parsed;
}

std::string CommandLine::usage() {
    return "Usage: sonifix [--restart | --status [--json] | --help | --version]\n"
           "\n"
           "Without options, starts Sonifix in the system tray; when it already runs, that copy\n"
           "shows where it is.\n"
           "\n"
           "  --restart        restart the sound server and wait for it to be back; exits with 0\n"
           "                   when it is, otherwise prints why and exits with 1\n"
           "  --status         the sound server, the default output and input, the last restart;\n"
           "                   exits with 3 when no sound server answers\n"
           "  --status --json  the same for scripts\n"
           "  --help           this text\n"
           "  --version        the version\n"
           "\n"
           "The commands go to the running Sonifix; with none running, this process does the\n"
           "work itself.\n";
}

std::string CommandLine::statusText(const AppStatus& status) {
    std::string text = "Sound server: " + status.server;
    text += status.pid ? ", PID " + std::to_string(*status.pid) : ", not running";
    text += "\nOutput: " + (status.output.empty() ? std::string("none") : status.output);
    text += "\nInput: " + (status.input.empty() ? std::string("none") : status.input);
    text += "\n" + status.lastRestartText + "\n";
    return text;
}

std::string CommandLine::statusJson(const AppStatus& status) {
    const auto textOrNull = [](const std::string& text) {
        return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
    };
    const nlohmann::json json = {
        {"server", status.server},
        {"pid", status.pid ? nlohmann::json(*status.pid) : nlohmann::json(nullptr)},
        {"output", textOrNull(status.output)},
        {"input", textOrNull(status.input)},
        {"lastRestart",
         status.lastRestart ? nlohmann::json(isoTime(*status.lastRestart)) : nlohmann::json()},
        {"restartCount", status.restartCount},
        {"soundServer", status.answering
                            ? nlohmann::json{{"name", textOrNull(status.serverName)},
                                             {"version", textOrNull(status.serverVersion)}}
                            : nlohmann::json()},
        {"outputDevice", deviceJson(status.outputDevice)},
        {"inputDevice", deviceJson(status.inputDevice)},
        {"restarting", status.restarting},
    };
    // Device names are the system's: whatever bytes they hold must not stop the answer.
    return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

int CommandLine::run(const std::vector<std::string>& arguments, std::ostream& out,
                     std::ostream& err) {
    const auto parsed = parse(arguments);
    if (!parsed.error.empty()) {
        err << programName << ": " << parsed.error << "\nTry 'sonifix --help' for the options.\n";
        return usageError;
    }
    switch (parsed.command) {
    case Command::help:
        out << usage();
        return succeeded;
    case Command::version:
        out << "Sonifix " << version << "\n";
        return succeeded;
    case Command::status: {
        auto status = instance.statusOfRunning();
        if (!status) {
            status = host.statusHere();
        }
        out << (parsed.json ? statusJson(*status) : TerminalText::shown(statusText(*status)));
        return status->answering ? succeeded : noServer;
    }
    case Command::restart: {
        const auto outcome = restart();
        if (!outcome.succeeded) {
            err << programName << ": " << outcome.message << "\n";
            return failed;
        }
        if (!outcome.message.empty()) {
            out << TerminalText::shown(outcome.message) << "\n";
        }
        return succeeded;
    }
    case Command::launch:
        return launch(err);
    }
    return usageError;
}

RestartResult CommandLine::restart() {
    // One restart at a time in a session: the process that does one holds the app's place while
    // it does, so that a restart asked for meanwhile, here or by the app, joins it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (auto outcome = instance.restartRunning()) {
            return *outcome;
        }
        if (instance.claim() != SingleInstance::Claim::taken) {
            return host.restartHere();
        }
    }
    return {.message = doesNotAnswer};
}

int CommandLine::launch(std::ostream& err) {
    // Two tries: a copy that quits between the claim and the word to it leaves its place free.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (instance.claim() != SingleInstance::Claim::taken) {
            return host.runApp();
        }
        if (instance.launchRunning()) {
            return succeeded;
        }
    }
    // Some other process holds the place and does not answer: a second copy would only fight it.
    err << programName << ": " << doesNotAnswer << "\n";
    return failed;
}

} // namespace sonifix
