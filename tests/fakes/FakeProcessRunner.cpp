#include "FakeProcessRunner.h"

#include <gtest/gtest.h>

namespace sonifix::testing {

ProcessResult FakeProcessRunner::run(const std::string& path,
                                     const std::vector<std::string>& arguments,
                                     std::chrono::milliseconds timeLimit) {
    auto line = path;
    for (const auto& argument : arguments) {
        line += ' ' + argument;
    }
    calls.push_back(line);
    limits[line] = timeLimit;
    auto& results = answers[line];
    if (results.empty()) {
        ADD_FAILURE() << "unexpected child process: " << line;
        return {};
    }
    const auto result = results.front();
    if (results.size() > 1) {
        results.erase(results.begin());
    }
    return result;
}

} // namespace sonifix::testing
