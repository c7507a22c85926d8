#pragma once

#include "platform/ProcessRunner.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace sonifix::testing {

// Answers scripted command lines; any other call fails the test.
class FakeProcessRunner final : public ProcessRunner {
public:
    // `commandLine` is the path and arguments joined by blanks. Each call takes the next result;
    // the last one keeps answering.
    void answer(const std::string& commandLine, std::vector<ProcessResult> results);

    using ProcessRunner::run;
    ProcessResult run(const std::string& path, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeLimit) override;

    std::vector<std::string> calls() const;
    int count(const std::string& commandLine) const;
    // The time limit the last call of `commandLine` was given.
    std::chrono::milliseconds timeLimit(const std::string& commandLine) const;

private:
    mutable std::mutex mutex;
    std::map<std::string, std::vector<ProcessResult>> answers;
    std::vector<std::string> made;
    std::map<std::string, std::chrono::milliseconds> limits;
};

} // namespace sonifix::testing
