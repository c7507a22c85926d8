#pragma once

#include "platform/ProgramLauncher.h"

#include <algorithm>
#include <cerrno>
#include <functional>
#include <iterator>
#include <set>
#include <vector>

namespace sonifix::testing {

// Starts only the programs the test has installed, and remembers every launch asked for.
// `onStart` lets a test make the started program appear (in a process table, say).
class FakeProgramLauncher final : public ProgramLauncher {
public:
    int startDetached(const ProgramLaunch& launch) override {
        launches.push_back(launch);
        if (!installed.contains(launch.program)) {
            return ENOENT;
        }
        if (onStart) {
            onStart(launch);
        }
        return 0;
    }

    void install(const std::string& program) { installed.insert(program); }
    std::vector<ProgramLaunch> started() const {
        std::vector<ProgramLaunch> result;
        std::copy_if(launches.begin(), launches.end(), std::back_inserter(result),
                     [this](const auto& launch) { return installed.contains(launch.program); });
        return result;
    }

    std::set<std::string> installed;
    std::vector<ProgramLaunch> launches;
    std::function<void(const ProgramLaunch&)> onStart;
};

} // namespace sonifix::testing
