#include "FakeProcessRunner.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace sonifix::testing {

void FakeProcessRunner::answer(const std::string& commandLine, std::vector<ProcessResult> results) {
    const std::lock_guard lock(mutex);
    answers[commandLine] = std::move(results);
}

ProcessResult FakeProcessRunner::run(const std::string& path,
                                     const std::vector<std::string>& arguments,
                                     std::chrono::milliseconds limit) {
    std::string line = path;
    for (const auto& argument : arguments) {
        line += ' ' + argument;
    }
    const std::lock_guard lock(mutex);
    made.push_back(line);
    limits[line] = limit;
    const auto found = answers.find(line);
    if (found == answers.end() || found->second.empty()) {
        ADD_FAILURE() << "unexpected child process: " << line;
        return {};
    }
    auto& results = found->second;
    auto result = results.front();
    if (results.size() > 1) {
        results.erase(results.begin());
    }
    return result;
}

std::vector<std::string> FakeProcessRunner::calls() const {
    const std::lock_guard lock(mutex);
    return made;
}

std::chrono::milliseconds FakeProcessRunner::timeLimit(const std::string& commandLine) const {
    const std::lock_guard lock(mutex);
    const auto found = limits.find(commandLine);
    return found == limits.end() ? std::chrono::milliseconds(-1) : found->second;
}

int FakeProcessRunner::count(const std::string& commandLine) const {
    const std::lock_guard lock(mutex);
    return int(std::count(made.begin(), made.end(), commandLine));
}

} // namespace sonifix::testing
