#include "StopState.h"

namespace sonifix {

bool StopState::request() {
    {
        const std::lock_guard lock(mutex);
        if (stopRequested.exchange(true, std::memory_order_acq_rel)) {
            return false;
        }
    }
    wakeUp.notify_all();
    return true;
}

bool StopState::waitFor(std::chrono::nanoseconds duration) {
    using Clock = std::chrono::steady_clock;
    const auto now = Clock::now();
    // A duration past the clock's range waits for the stop alone.
    const auto deadline = duration >= Clock::time_point::max() - now
                              ? Clock::time_point::max()
                              : now + std::chrono::duration_cast<Clock::duration>(duration);
    std::unique_lock lock(mutex);
    return !wakeUp.wait_until(lock, deadline,
                              [this] { return stopRequested.load(std::memory_order_relaxed); });
}

} // namespace sonifix
