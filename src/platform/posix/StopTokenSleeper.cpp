#include "StopTokenSleeper.h"

#include <condition_variable>
#include <mutex>

namespace sonifix {

bool StopTokenSleeper::sleep(std::chrono::nanoseconds duration, std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    // Nothing but a stop request wakes this wait early.
    wakeUp.wait_for(lock, stop, duration, [] { return false; });
    return !stop.stop_requested();
}

} // namespace sonifix
