#pragma once

#include "ChildProcess.h"

#include <memory>
#include <optional>
#include <string>

namespace sonifix::testing {

// The X display the shortcut's tests press keys on: a private Xvfb, started before the
// application object so that Qt connects to it.
class VirtualDisplay {
public:
    // Starts Xvfb on a free display number and points DISPLAY at it; remembers why not when
    // it cannot.
    static void start();
    static void stop();

    // Why the X11 tests cannot run here, or nothing when they can.
    static std::optional<std::string> unavailable();

private:
    static std::unique_ptr<ChildProcess> server;
    static std::optional<std::string> reason;
};

} // namespace sonifix::testing
