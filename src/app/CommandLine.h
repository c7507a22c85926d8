#pragma once

#include "CommandHost.h"
#include "platform/SingleInstance.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace sonifix {

// The program's arguments and what each asks for: with none, the app (or, when it already
// runs, a word to the running copy); otherwise a command that the running copy answers, or
// this process when none runs.
class CommandLine {
public:
    static constexpr int succeeded = 0;
    static constexpr int failed = 1;
    static constexpr int usageError = 2;
    // `--status` when no sound server answers, as `systemctl is-active` says "not running".
    static constexpr int noServer = 3;

    enum class Command { launch, restart, status, help, version };
    struct Parsed {
        Command command = Command::launch;
        bool json = false;
        std::string error; // what is wrong with the arguments; empty when nothing is
    };

    CommandLine(SingleInstance& instance, CommandHost& host, std::string version);

    // The program's whole run: its exit status.
    int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

    static Parsed parse(const std::vector<std::string>& arguments);
    // The command a link to the app asks for: "sonifix://restart" restarts, a bare
    // "sonifix://" only opens the app. Links can come from any web page, so nothing else is
    // taken (no answer).
    static std::optional<Command> parseUrl(std::string_view url);
    static std::string usage();
    static std::string statusText(const AppStatus& status);
    static std::string statusJson(const AppStatus& status);

private:
    int launch(std::ostream& err);
    RestartResult restart();

    SingleInstance& instance;
    CommandHost& host;
    std::string version;
};

} // namespace sonifix
