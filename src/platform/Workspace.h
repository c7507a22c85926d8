#pragma once

#include <functional>

namespace sonifix {

// The app among the others. Main thread only.
class Workspace {
public:
    virtual ~Workspace() = default;

    // Makes the app the active one, so that its next window opens in front of other apps.
    virtual void activateIgnoringOtherApps() = 0;

    // Ends the app.
    virtual void terminate() = 0;

    // Runs `handler` on the main thread each time the computer wakes from sleep. Registered
    // once, for the life of the app.
    virtual void observeWake(std::function<void()> handler) = 0;
};

} // namespace sonifix
