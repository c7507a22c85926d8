#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonifix {

// The user's service manager (systemd's user instance), asked over its own interface rather
// than through a command-line tool. Worker thread; never throws.
class ServiceManager {
public:
    // A unit and the process the manager counts as its main one (0: none).
    struct Unit {
        std::string name; // "pipewire.service"
        std::int32_t mainPID = 0;
    };

    enum class Outcome {
        done,          // every unit runs again
        failed,        // a unit did not come back, or the manager refused
        startLimitHit, // a unit was started too often lately, and the manager refused
        timedOut,      // the jobs were not done within the time given
        unavailable,   // no user service manager answers
    };

    virtual ~ServiceManager() = default;

    // The unit the manager runs `pid` in; nothing when no manager answers, or when the process
    // belongs to none of its units.
    virtual std::optional<Unit> unitOf(std::int32_t pid) = 0;

    // Restarts the units together and waits, at most `limit`, until the manager has done so.
    virtual Outcome restart(const std::vector<std::string>& units,
                            std::chrono::milliseconds limit) = 0;

    // Sends SIGKILL to every process of the units.
    virtual Outcome kill(const std::vector<std::string>& units) = 0;

    // Forgets that the unit failed, and how often it was started lately.
    virtual Outcome resetFailed(const std::string& unit) = 0;
};

} // namespace sonifix
