#pragma once

#include "FakeClock.h"
#include "platform/Sleeper.h"

#include <functional>
#include <mutex>
#include <vector>

namespace sonifix::testing {

// Records every pause and never waits, but moves the clock it is given on by the pause. A hook
// may act at a given pause, for instance to request the stop that ends it.
class FakeSleeper final : public Sleeper {
public:
    explicit FakeSleeper(FakeClock* clock = nullptr) : clock(clock) {}

    bool sleep(std::chrono::nanoseconds duration, StopToken stop) override;

    // Runs `hook` during the pause with this index (counted from 1).
    void at(int index, std::function<void()> hook);

    std::vector<std::chrono::nanoseconds> pauses() const;
    std::chrono::nanoseconds total() const;

private:
    FakeClock* clock;
    mutable std::mutex mutex;
    std::vector<std::chrono::nanoseconds> made;
    int hookIndex = 0;
    std::function<void()> hook;
};

} // namespace sonifix::testing
