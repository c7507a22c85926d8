#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sonifix {

// The desktop's notifications: a short message shown beside the user's work, which takes no
// focus and waits in the desktop's list until read. Main thread only; never throws.
class Notifications {
public:
    // A button on the notification: `key` is what the handler is told, `label` what it says.
    struct Action {
        std::string key;
        std::string label;
    };
    struct Notification {
        std::string title;
        std::string body; // plain text
        std::vector<Action> actions;
    };
    // Called on the main thread with the key of the action the user chose, or with
    // `defaultAction` for a click on the notification itself.
    using Handler = std::function<void(const std::string& key)>;
    static constexpr const char* defaultAction = "default";

    virtual ~Notifications() = default;

    // Whether the desktop shows notifications: a server runs, or starts when asked.
    virtual bool available() = 0;

    // Shows it, without waiting for the desktop. Whether it was shown is not reported: ask
    // `available` first. The handler lives as long as the notification does.
    virtual void show(const Notification& notification, Handler activated = {}) = 0;
};

} // namespace sonifix
