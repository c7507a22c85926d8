#pragma once

#include "FakeClock.h"
#include "platform/Sleeper.h"

#include <functional>
#include <map>
#include <numeric>
#include <vector>

namespace sonifix::testing {

// Records every pause and never waits, but moves the clock it is given on by the pause. A hook
// may act at a given pause, for instance to request the stop that ends it.
class FakeSleeper final : public Sleeper {
public:
    explicit FakeSleeper(FakeClock& clock) : clock(clock) {}

    bool sleep(std::chrono::nanoseconds duration, StopToken stop) override {
        pauses.push_back(duration);
        clock.elapsed = clock.elapsed.load() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(duration);
        if (const auto hook = hooks.find(pauses.size()); hook != hooks.end()) {
            hook->second();
        }
        return !stop.stopRequested();
    }

    std::chrono::nanoseconds total() const {
        return std::accumulate(pauses.begin(), pauses.end(), std::chrono::nanoseconds(0));
    }

    std::vector<std::chrono::nanoseconds> pauses;

    // Run during the pause of this number, counted from 1.
    std::map<std::size_t, std::function<void()>> hooks;

private:
    FakeClock& clock;
};

} // namespace sonifix::testing
