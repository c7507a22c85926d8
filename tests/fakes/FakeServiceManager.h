#pragma once

#include "platform/ServiceManager.h"

#include <deque>
#include <map>

namespace sonifix::testing {

// A user service manager whose units the test lists, answering restarts as the test scripts
// them (done once the script is used up), and remembering every request.
class FakeServiceManager final : public ServiceManager {
public:
    std::optional<Unit> unitOf(std::int32_t pid) override {
        const auto found = units.find(pid);
        return found == units.end() ? std::nullopt : std::optional(found->second);
    }
    Outcome restart(const std::vector<std::string>& names,
                    std::chrono::milliseconds limit) override {
        requests.push_back("restart" + joined(names));
        lastLimit = limit;
        if (outcomes.empty()) {
            return Outcome::done;
        }
        const auto outcome = outcomes.front();
        outcomes.pop_front();
        return outcome;
    }
    Outcome kill(const std::vector<std::string>& names) override {
        requests.push_back("kill" + joined(names));
        return Outcome::done;
    }
    Outcome resetFailed(const std::string& unit) override {
        requests.push_back("reset-failed " + unit);
        return Outcome::done;
    }

    std::map<std::int32_t, Unit> units; // by process
    std::deque<Outcome> outcomes;       // of the next restarts
    std::vector<std::string> requests; // "restart a.service b.service", "kill …", "reset-failed …"
    std::chrono::milliseconds lastLimit{0};

private:
    static std::string joined(const std::vector<std::string>& names) {
        std::string line;
        for (const auto& name : names) {
            line += " " + name;
        }
        return line;
    }
};

} // namespace sonifix::testing
