#include "AlertQueue.h"

#include "Foreground.h"

namespace sonifix {

AlertQueue::AlertQueue(Alerts& screen, MainQueue& mainQueue, Workspace& workspace)
    : screen(screen), mainQueue(mainQueue), workspace(workspace) {}

AlertResult AlertQueue::runModal(const AlertRequest& alert) {
    if (!free()) {
        wait(alert, nullptr);
        return {.response = notShownYet, .fieldText = {}};
    }
    return showNow(alert);
}

void AlertQueue::show(const AlertRequest& alert, Answered answered) {
    if (!free()) {
        wait(alert, std::move(answered));
        return;
    }
    const auto answer = showNow(alert);
    if (answered) {
        answered(answer);
    }
}

void AlertQueue::menuOpened() {
    if (!menuOpen) {
        menuOpen = true;
        ++menuOpenings;
    }
}

void AlertQueue::menuClosed() {
    if (!menuOpen) {
        return; // told twice: by the menu, and by the item chosen in it
    }
    menuOpen = false;
    // Not from inside the menu's closing either.
    if (!open && !waiting.empty()) {
        mainQueue.post([this] { showNext(); });
    }
}

void AlertQueue::wait(const AlertRequest& alert, Answered answered) {
    waiting.emplace_back(alert, std::move(answered));
    if (menuOpen) {
        // A desktop that never says its menu closed keeps no alert from the user for good.
        mainQueue.postAfter(menuHoldLimit, [this, opening = menuOpenings] {
            if (menuOpen && menuOpenings == opening) {
                menuClosed();
            }
        });
    }
}

AlertResult AlertQueue::showNow(const AlertRequest& alert) {
    struct Closes {
        AlertQueue& queue;
        ~Closes() {
            queue.open = false;
            // Not from inside the alert that just closed: its caller has its answer first.
            if (!queue.waiting.empty()) {
                queue.mainQueue.post([&queue = queue] { queue.showNext(); });
            }
        }
    };
    open = true;
    const Closes closes{*this};
    return screen.runModal(alert);
}

void AlertQueue::showNext() {
    if (open || menuOpen || waiting.empty()) {
        return; // another turn is already on its way, or nothing waits
    }
    auto [alert, answered] = std::move(waiting.front());
    waiting.pop_front();
    // The app was brought forward when the alert was asked for; the user may have gone to
    // another app since.
    Foreground::activate(workspace);
    const auto answer = showNow(alert);
    if (answered) {
        answered(answer);
    }
}

} // namespace sonifix
