#pragma once

#include "platform/ProcessRunner.h"

#include <algorithm>
#include <map>

namespace sonifix::testing {

// Answers scripted command lines; any other call fails the test.
class FakeProcessRunner final : public ProcessRunner {
public:
    // `commandLine` is the path and arguments joined by blanks. Each call takes the next result;
    // the last one keeps answering.
    void answer(const std::string& commandLine, std::vector<ProcessResult> results) {
        answers[commandLine] = std::move(results);
    }

    using ProcessRunner::run;
    ProcessResult run(const std::string& path, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeLimit) override;

    int count(const std::string& commandLine) const {
        return int(std::count(calls.begin(), calls.end(), commandLine));
    }

    std::vector<std::string> calls;
    std::map<std::string, std::chrono::milliseconds> limits; // the last call's, by command line

private:
    std::map<std::string, std::vector<ProcessResult>> answers;
};

} // namespace sonifix::testing
