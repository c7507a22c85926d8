#pragma once

#include "platform/SingleInstance.h"

#include <deque>

namespace sonifix::testing {

// The session as the test sets it up: whether another copy runs and what it answers.
class FakeSingleInstance final : public SingleInstance {
public:
    Claim claim() override {
        ++calls;
        const auto answer = claimAnswers.empty() ? Claim::claimed : claimAnswers.front();
        if (!claimAnswers.empty()) {
            claimAnswers.pop_front();
        }
        return answer;
    }
    void serve(std::weak_ptr<InstanceDelegate>) override {}
    bool launchRunning() override {
        ++launches;
        return runningAnswersLaunch;
    }
    std::optional<RestartResult> restartRunning() override {
        ++calls;
        return runningRestart;
    }
    std::optional<AppStatus> statusOfRunning() override { return runningStatus; }

    std::deque<Claim> claimAnswers; // claimed once they run out
    bool runningAnswersLaunch = true;
    std::optional<RestartResult> runningRestart;
    std::optional<AppStatus> runningStatus;
    int calls = 0; // claims and restarts asked for
    int launches = 0;
};

} // namespace sonifix::testing
