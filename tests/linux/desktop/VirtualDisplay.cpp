#include "VirtualDisplay.h"

#include <cstdlib>

namespace sonifix::testing {

std::unique_ptr<ChildProcess> VirtualDisplay::server;
std::optional<std::string> VirtualDisplay::reason = "no virtual display was started";

void VirtualDisplay::start() {
    for (const char* program : {"Xvfb", "xdotool"}) {
        if (!ChildProcess::installed(program)) {
            reason = std::string(program) + " is not installed (Debian: xvfb, xdotool)";
            return;
        }
    }
    // Xvfb picks a free display number itself and writes it on the given descriptor once it
    // accepts clients.
    server = ChildProcess::start(
        {"Xvfb", "-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp"});
    const auto number = server ? server->readLine(std::chrono::seconds(10)) : std::nullopt;
    if (!number || number->empty()) {
        server.reset();
        reason = "Xvfb did not start";
        return;
    }
    ::setenv("DISPLAY", (":" + *number).c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    reason.reset();
}

void VirtualDisplay::stop() {
    server.reset();
}

std::optional<std::string> VirtualDisplay::unavailable() {
    return reason;
}

} // namespace sonifix::testing
