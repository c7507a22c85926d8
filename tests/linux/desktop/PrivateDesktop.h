#pragma once

#include <string>

namespace sonifix::testing {

// The desktop a test program runs on: tools/private-desktop.sh's, with a session bus, a runtime
// folder and, as asked, an X display with a tray host, never the caller's. The folder also holds
// the sound servers a test starts for itself (see SoundServerHarness).
class PrivateDesktop {
public:
    struct Options {
        bool display = true;       // an X display (Xvfb); without one Qt draws off screen
        const char* tray = "none"; // a tray host on it: "xembed", or "sni" (a watcher)
    };

    // Called first in main: runs the program again on a desktop of its own, unless this is that
    // run already or it only lists its tests. Returns only then. SONIFIX_TEST_DESKTOP may hold
    // more of the launcher's options, which win: one program's tests may need other desktops.
    // Programs the tests start leave out the same ThreadSanitizer reports as the test program.
    static void enter(int argc, char** argv, Options options);
    static std::string folder();
};

} // namespace sonifix::testing
