#pragma once

#include "EventLog.h"
#include "platform/LoginItems.h"

#include <utility>

namespace sonifix::testing {

// The login-item service; a refusal, when set, answers the next call.
class FakeLoginItems final : public LoginItems {
public:
    explicit FakeLoginItems(EventLog& log) : log(log) {}

    int status() override { return current; }
    std::optional<std::string> registerApp() override {
        return answer("register", approvalNeeded ? requiresApproval : enabled);
    }
    std::optional<std::string> unregisterApp() override {
        return answer("unregister", notRegistered);
    }
    std::string appPath() override { return path; }
    void openSystemSettingsLoginItems() override { log.push_back("open Login Items settings"); }

    int current = notRegistered;
    std::optional<std::string> refusal;
    bool approvalNeeded = false; // registered, the app waits for the user's approval
    std::string path = "/Applications/Sonifix.app";

private:
    std::optional<std::string> answer(const std::string& what, int newStatus) {
        log.push_back(what + " login item");
        if (!refusal) {
            current = newStatus;
        }
        return std::exchange(refusal, std::nullopt);
    }

    EventLog& log;
};

} // namespace sonifix::testing
