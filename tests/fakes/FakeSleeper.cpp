#include "FakeSleeper.h"

#include <numeric>

namespace sonifix::testing {

bool FakeSleeper::sleep(std::chrono::nanoseconds duration, StopToken stop) {
    std::function<void()> action;
    {
        const std::lock_guard lock(mutex);
        made.push_back(duration);
        if (clock) {
            clock->elapsed =
                clock->elapsed.load() +
                std::chrono::duration_cast<std::chrono::steady_clock::duration>(duration);
        }
        if (int(made.size()) == hookIndex) {
            action = hook;
        }
    }
    if (action) {
        action();
    }
    return !stop.stopRequested();
}

void FakeSleeper::at(int index, std::function<void()> action) {
    const std::lock_guard lock(mutex);
    hookIndex = index;
    hook = std::move(action);
}

std::vector<std::chrono::nanoseconds> FakeSleeper::pauses() const {
    const std::lock_guard lock(mutex);
    return made;
}

std::chrono::nanoseconds FakeSleeper::total() const {
    const std::lock_guard lock(mutex);
    return std::accumulate(made.begin(), made.end(), std::chrono::nanoseconds(0));
}

} // namespace sonifix::testing
