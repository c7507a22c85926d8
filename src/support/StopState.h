#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace sonifix {

// What a StopSource and its StopTokens share: whether a stop was requested, and the means to
// wake every pause waiting for it.
class StopState {
public:
    StopState() = default;
    StopState(const StopState&) = delete;
    StopState& operator=(const StopState&) = delete;

    // Answers true when this call made the request, false when it had already been made.
    bool request();
    bool requested() const { return stopRequested.load(std::memory_order_acquire); }

    // Waits `duration`; answers false, at once, when a stop is requested before it has passed.
    bool waitFor(std::chrono::nanoseconds duration);

private:
    std::mutex mutex;
    std::condition_variable wakeUp;
    // Written under the mutex, so that a waiter cannot miss the wake-up; read without it.
    std::atomic<bool> stopRequested = false;
};

} // namespace sonifix
