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
        log.add("register login item");
        return answer(enabled);
    }
    std::optional<std::string> unregisterApp() override {
        log.add("unregister login item");
        return answer(notRegistered);
    }

    int current = notRegistered;
    std::optional<std::string> refusal;

private:
    std::optional<std::string> answer(int newStatus) {
        if (refusal) {
            return std::exchange(refusal, std::nullopt);
        }
        current = newStatus;
        return std::nullopt;
    }

    EventLog& log;
};

} // namespace sonifix::testing
