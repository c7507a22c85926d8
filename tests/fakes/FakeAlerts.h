#pragma once

#include "EventLog.h"
#include "platform/Alerts.h"

#include <deque>
#include <functional>
#include <vector>

namespace sonifix::testing {

// Answers each alert as the test says (the first button when it says nothing).
class FakeAlerts final : public Alerts {
public:
    explicit FakeAlerts(EventLog& log) : log(log) {}

    void answer(int response) { answers.push_back(response); }

    int runModal(const AlertRequest& alert) override {
        shown.push_back(alert);
        log.add("alert " + alert.messageText);
        if (whileShown) {
            whileShown();
        }
        if (answers.empty()) {
            return firstButton;
        }
        const auto response = answers.front();
        answers.pop_front();
        return response;
    }

    std::vector<AlertRequest> shown;
    // Runs while an alert is on screen, as the main run loop would go on serving the app.
    std::function<void()> whileShown;

private:
    EventLog& log;
    std::deque<int> answers;
};

} // namespace sonifix::testing
