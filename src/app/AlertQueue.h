#pragma once

#include "platform/Alerts.h"
#include "platform/MainQueue.h"
#include "platform/Workspace.h"

#include <chrono>
#include <deque>
#include <utility>

namespace sonifix {

// Alerts one at a time, in the order they were asked for. A modal alert, like the open status
// menu, goes on running the main loop while it waits for the user, so work posted meanwhile (a
// restart's outcome, the password-free offer after it, a restart after wake) would open its
// alert on top of the open one, a welcome or a sign-up, or on top of the menu. Here an alert asked
// for while another is open, or while others wait, waits for them; each opens on a later turn of
// the main loop after the one before it closed. Every alert of the app goes through it: each
// platform wraps its own alerts in one. Main thread only.
class AlertQueue final : public Alerts {
public:
    // `screen` puts alerts on screen. The queue and `mainQueue` outlive each other's use.
    AlertQueue(Alerts& screen, MainQueue& mainQueue, Workspace& workspace);

    // Shown now when the screen is free; otherwise queued, answering notShownYet: a caller that
    // needs the user's answer asks through show().
    AlertResult runModal(const AlertRequest& alert) override;
    void show(const AlertRequest& alert, Answered answered) override;
    // Alerts wait for the status menu to close. Should the close never be told (a tray host
    // that asks for the menu and never says it closed), they wait at most menuHoldLimit.
    void menuOpened() override;
    void menuClosed() override;

    static constexpr std::chrono::milliseconds menuHoldLimit{30000};

private:
    bool free() const { return !open && !menuOpen && waiting.empty(); }
    void wait(const AlertRequest& alert, Answered answered);
    AlertResult showNow(const AlertRequest& alert);
    void showNext();

    Alerts& screen;
    MainQueue& mainQueue;
    Workspace& workspace;
    bool open = false;
    bool menuOpen = false;
    unsigned menuOpenings = 0; // tells a lapsed hold from one of a later opening
    std::deque<std::pair<AlertRequest, Answered>> waiting;
};

} // namespace sonifix
