#pragma once

#include "platform/Notifications.h"

namespace sonifix::testing {

// A desktop whose notification server is there (or not) as the test says; it keeps what it was
// shown, and the test answers for the user through the handlers.
class FakeNotifications final : public Notifications {
public:
    bool available() override { return server; }
    void show(const Notification& notification, Handler activated) override {
        shown.push_back(notification);
        handlers.push_back(std::move(activated));
    }

    bool server = true;
    std::vector<Notification> shown;
    std::vector<Handler> handlers;
};

} // namespace sonifix::testing
