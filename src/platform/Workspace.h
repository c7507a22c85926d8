#pragma once

#include <functional>
#include <string>

namespace sonifix {

// The credits line of the standard About panel, in the small secondary style.
struct AboutCredits {
    std::string text;
    double pointSize = 11;
};

// The app among the others. Main thread only.
class Workspace {
public:
    virtual ~Workspace() = default;

    // Makes the app the active one, so that its next window opens in front of other apps.
    virtual void activateIgnoringOtherApps() = 0;

    // Asks the system to make the app the active one, the way of macOS 14 and later, where the
    // system may decline while the user works in another app.
    virtual void activate() = 0;

    // The major version of the running macOS (13, 14, ...); 0 on a system that is not macOS.
    virtual int systemMajorVersion() = 0;

    // Ends the app.
    virtual void terminate() = 0;

    // Runs `handler` on the main thread each time the computer wakes from sleep. Registered
    // once, for the life of the app.
    virtual void observeWake(std::function<void()> handler) = 0;

    // Opens a web address in the default browser; the outcome is not reported.
    virtual void openURL(const std::string& url) = 0;

    // Launches the application at `path`, or brings it forward when it runs.
    virtual void openApplication(const std::string& path) = 0;

    // The platform's standard About panel (name, version, icon from the app's bundle).
    virtual void showAboutPanel(const AboutCredits& credits) = 0;
};

} // namespace sonifix
