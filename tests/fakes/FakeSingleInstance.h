#pragma once

#include "platform/SingleInstance.h"

#include <deque>
#include <optional>

namespace sonifix::testing {

// The session as the test sets it up: whether another copy runs and what it answers.
class FakeSingleInstance final : public SingleInstance {
public:
    Claim claim() override {
        ++claims;
        if (claimAnswers.empty()) {
            return Claim::claimed;
        }
        const auto answer = claimAnswers.front();
        claimAnswers.pop_front();
        return answer;
    }
    void serve(std::weak_ptr<InstanceDelegate> delegate) override { served = delegate; }

    bool launchRunning() override {
        ++launches;
        return runningAnswersLaunch;
    }
    std::optional<RestartResult> restartRunning() override {
        ++restarts;
        return runningRestart;
    }
    std::optional<AppStatus> statusOfRunning() override { return runningStatus; }

    std::deque<Claim> claimAnswers; // claimed once they run out
    bool runningAnswersLaunch = true;
    std::optional<RestartResult> runningRestart;
    std::optional<AppStatus> runningStatus;

    int claims = 0;
    int launches = 0;
    int restarts = 0;
    std::weak_ptr<InstanceDelegate> served;
};

} // namespace sonifix::testing
