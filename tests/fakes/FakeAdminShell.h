#pragma once

#include "platform/AdminShell.h"

#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace sonifix::testing {

// Plays the administrator prompt: each run takes the next scripted answer (a success when none
// is left) and records the script and the thread it ran on.
class FakeAdminShell final : public AdminShell {
public:
    void answer(AdminScriptResult result);
    void answerDismissed();
    void answerFailed(std::string message);

    AdminScriptResult run(const std::string& script) override;

    std::vector<std::string> scripts() const;
    std::thread::id lastThread() const;

private:
    mutable std::mutex mutex;
    std::deque<AdminScriptResult> answers;
    std::vector<std::string> ran;
    std::thread::id thread;
};

} // namespace sonifix::testing
