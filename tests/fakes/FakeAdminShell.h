#pragma once

#include "platform/AdminShell.h"

#include <deque>
#include <thread>
#include <vector>

namespace sonifix::testing {

// Plays the administrator prompt: each run takes the next answer (a success when none is left)
// and records the script and the thread it ran on.
class FakeAdminShell final : public AdminShell {
public:
    AdminScriptResult run(const std::string& script) override {
        scripts.push_back(script);
        thread = std::this_thread::get_id();
        if (answers.empty()) {
            return {};
        }
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void answerDismissed() { answers.push_back({.error = ScriptError{-128, "User canceled."}}); }
    void answerFailed(std::string message) {
        answers.push_back({.error = ScriptError{1, std::move(message)}});
    }

    std::deque<AdminScriptResult> answers;
    std::vector<std::string> scripts;
    std::thread::id thread;
};

} // namespace sonifix::testing
