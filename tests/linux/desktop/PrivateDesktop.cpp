#include "PrivateDesktop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>
#include <utility>
#include <vector>

// Defined by the programs that run under ThreadSanitizer with uninstrumented libraries.
extern "C" const char* __tsan_default_suppressions() __attribute__((weak));

namespace sonifix::testing {

namespace {

// Set for the run under the launcher, so that it does not start one more.
constexpr const char* entered = "SONIFIX_TEST_ON_PRIVATE_DESKTOP";

void shareSuppressions() {
    // ThreadSanitizer's own default names none.
    const char* suppressions =
        __tsan_default_suppressions ? __tsan_default_suppressions() : nullptr;
    if (!suppressions) {
        return;
    }
    const auto path = PrivateDesktop::folder() + "/tsan-suppressions";
    std::ofstream(path) << suppressions;
    const char* options = std::getenv("TSAN_OPTIONS");
    const auto all =
        (options ? std::string(options) + ":" : std::string()) + "suppressions=" + path;
    ::setenv("TSAN_OPTIONS", all.c_str(), 1);
}

// What a test, or a program it starts, writes to the user's folders (settings, autostart
// entries) stays on the private desktop, out of the caller's home.
void keepFilesOnTheDesktop() {
    const auto folder = PrivateDesktop::folder();
    for (const auto& [variable, name] : {std::pair{"XDG_CONFIG_HOME", "config"},
                                         {"XDG_DATA_HOME", "data"},
                                         {"XDG_CACHE_HOME", "cache"},
                                         {"XDG_STATE_HOME", "state"}}) {
        ::setenv(variable, (folder + "/" + name).c_str(), 1);
    }
}

} // namespace

void PrivateDesktop::enter(int argc, char** argv, Options options) {
    // X11 when there is a display, whatever session the caller's desktop is.
    ::setenv("QT_QPA_PLATFORM", options.display ? "xcb" : "offscreen", 1);
    // Qt's own event loop rather than GLib's, which ThreadSanitizer cannot follow.
    ::setenv("QT_NO_GLIB", "1", 1);
    if (std::any_of(argv + 1, argv + argc, [](const char* argument) {
            return std::strcmp(argument, "--gtest_list_tests") == 0;
        })) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return;
    }
    if (std::getenv(entered) && std::getenv("SONIFIX_DESKTOP")) {
        ::unsetenv(entered);
        shareSuppressions();
        keepFilesOnTheDesktop();
        return;
    }
    ::setenv(entered, "1", 1);
    std::vector<std::string> command{
        SONIFIX_LAUNCHER, "--sound",   "none", "--display", options.display ? "x11" : "none",
        "--tray",         options.tray};
    const char* extra = std::getenv("SONIFIX_TEST_DESKTOP");
    std::istringstream more(extra ? extra : "");
    for (std::string option; more >> option;) {
        command.push_back(option);
    }
    // The program as the launcher finds it again: this process's own file.
    command.push_back("--");
    command.push_back(std::filesystem::read_symlink("/proc/self/exe"));
    command.insert(command.end(), argv + 1, argv + argc);
    std::vector<char*> arguments;
    for (auto& argument : command) {
        arguments.push_back(argument.data());
    }
    arguments.push_back(nullptr);
    ::execv(SONIFIX_LAUNCHER, arguments.data());
    std::perror(SONIFIX_LAUNCHER);
    std::exit(2);
}

std::string PrivateDesktop::folder() {
    const char* folder = std::getenv("SONIFIX_DESKTOP");
    if (!folder) {
        throw std::runtime_error("not on a private desktop: call PrivateDesktop::enter in main");
    }
    return folder;
}

} // namespace sonifix::testing
