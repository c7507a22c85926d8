#pragma once

#include "EventLog.h"
#include "platform/Alerts.h"

#include <deque>
#include <functional>

namespace sonifix::testing {

// Answers each alert as the test says (the first button, nothing typed, when it says nothing).
class FakeAlerts final : public Alerts {
public:
    explicit FakeAlerts(EventLog& log) : log(log) {}

    AlertResult runModal(const AlertRequest& alert) override {
        shown.push_back(alert);
        log.push_back("alert " + alert.messageText);
        nested = nested || open;
        open = true;
        if (whileShown) {
            whileShown();
        }
        open = false;
        if (answers.empty()) {
            return {.response = firstButton, .fieldText = {}};
        }
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<AlertResult> answers;
    std::vector<AlertRequest> shown;
    // Runs while an alert is on screen, as the main run loop would go on serving the app.
    std::function<void()> whileShown;
    bool open = false;
    bool nested = false; // an alert was opened on top of another

private:
    EventLog& log;
};

} // namespace sonifix::testing
