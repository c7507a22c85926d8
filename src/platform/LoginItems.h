#pragma once

#include <optional>
#include <string>

namespace sonifix {

// The system's record of whether the app opens at login. Main thread only.
class LoginItems {
public:
    // The status values of the platform's login-item service.
    static constexpr int notRegistered = 0;
    static constexpr int enabled = 1;
    static constexpr int requiresApproval = 2;
    static constexpr int notFound = 3;

    virtual ~LoginItems() = default;

    virtual int status() = 0;

    // Each answers nothing on success, or the system's description of why it refused.
    virtual std::optional<std::string> registerApp() = 0;
    virtual std::optional<std::string> unregisterApp() = 0;

    // Where the app that would open at login is: the app bundle on macOS, the program on Linux.
    virtual std::string appPath() = 0;

    // Opens the system's list of login items, where the user approves one that waits.
    virtual void openSystemSettingsLoginItems() = 0;
};

} // namespace sonifix
