#include "FakeAdminShell.h"

namespace sonifix::testing {

void FakeAdminShell::answer(AdminScriptResult result) {
    const std::lock_guard lock(mutex);
    answers.push_back(std::move(result));
}

void FakeAdminShell::answerDismissed() {
    answer({.made = true, .error = ScriptError{.number = -128, .message = "User canceled."}});
}

void FakeAdminShell::answerFailed(std::string message) {
    answer({.made = true, .error = ScriptError{.number = 1, .message = std::move(message)}});
}

AdminScriptResult FakeAdminShell::run(const std::string& script) {
    const std::lock_guard lock(mutex);
    ran.push_back(script);
    thread = std::this_thread::get_id();
    if (answers.empty()) {
        return {};
    }
    auto result = answers.front();
    answers.pop_front();
    return result;
}

std::vector<std::string> FakeAdminShell::scripts() const {
    const std::lock_guard lock(mutex);
    return ran;
}

std::thread::id FakeAdminShell::lastThread() const {
    const std::lock_guard lock(mutex);
    return thread;
}

} // namespace sonifix::testing
