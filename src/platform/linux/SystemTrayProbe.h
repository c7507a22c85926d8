#pragma once

namespace sonifix {

// Looks for the two kinds of tray a Linux panel offers. Main thread, once the QApplication
// exists; each look is a short round trip to the session bus or the X server.
class SystemTrayProbe {
public:
    // A StatusNotifierWatcher on the session bus with a host, the panel, registered with it.
    static bool statusNotifierHost();
    // An XEmbed tray manager on the X display Qt draws on; never under Wayland.
    static bool xembedManager();
};

} // namespace sonifix
