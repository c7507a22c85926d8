#pragma once

#include "platform/ProgramLauncher.h"

#include <cerrno>
#include <functional>
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

    std::set<std::string> installed;
    std::vector<ProgramLaunch> launches;
    std::function<void(const ProgramLaunch&)> onStart;
};

} // namespace sonifix::testing
