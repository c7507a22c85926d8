#pragma once

#include "platform/ProgramLauncher.h"

#include <cerrno>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace sonifix::testing {

// Starts only the programs the test has installed, and remembers every launch asked for.
// `onStart` lets a test make the started program appear (in a process table, say).
class FakeProgramLauncher final : public ProgramLauncher {
public:
    int startDetached(const ProgramLaunch& launch) override {
        std::function<void(const ProgramLaunch&)> then;
        {
            const std::lock_guard lock(mutex);
            launches.push_back(launch);
            if (!installed.contains(launch.program)) {
                return ENOENT;
            }
            then = onStart;
        }
        if (then) {
            then(launch);
        }
        return 0;
    }

    void install(const std::string& program) {
        const std::lock_guard lock(mutex);
        installed.insert(program);
    }

    void uninstall(const std::string& program) {
        const std::lock_guard lock(mutex);
        installed.erase(program);
    }

    std::vector<ProgramLaunch> started() const {
        const std::lock_guard lock(mutex);
        std::vector<ProgramLaunch> result;
        for (const auto& launch : launches) {
            if (installed.contains(launch.program)) {
                result.push_back(launch);
            }
        }
        return result;
    }

    std::vector<ProgramLaunch> launches;
    std::function<void(const ProgramLaunch&)> onStart;

private:
    mutable std::mutex mutex;
    std::set<std::string> installed;
};

} // namespace sonifix::testing
