#include "PrivateDesktop.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <unistd.h>
#include <vector>

namespace sonifix::testing {

namespace {

// Set for the run under the launcher, so that it does not start one more.
constexpr const char* entered = "SONIFIX_TEST_ON_PRIVATE_DESKTOP";

} // namespace

void PrivateDesktop::enter(int argc, char** argv, Options options) {
    if (!options.display) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    // Qt's own event loop rather than GLib's, which ThreadSanitizer cannot follow.
    ::setenv("QT_NO_GLIB", "1", 1);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            return;
        }
    }
    if (std::getenv(entered) && std::getenv("SONIFIX_DESKTOP")) {
        ::unsetenv(entered);
        return;
    }
    ::setenv(entered, "1", 1);
    std::vector<const char*> command{SONIFIX_LAUNCHER,
                                     "--sound",
                                     "none",
                                     "--display",
                                     options.display ? "x11" : "none",
                                     "--tray",
                                     options.tray ? "xembed" : "none",
                                     "--",
                                     "/proc/self/exe"};
    // The program as the launcher finds it again: this process's own file.
    static std::string self;
    self.resize(4096);
    const auto length = ::readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length > 0) {
        self.resize(std::size_t(length));
        command.back() = self.c_str();
    }
    command.insert(command.end(), argv + 1, argv + argc);
    command.push_back(nullptr);
    ::execv(SONIFIX_LAUNCHER, const_cast<char* const*>(command.data()));
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
