#include "StopToken.h"

#include "StopState.h"

#include <thread>

namespace sonifix {

bool StopToken::stopRequested() const {
    return state && state->requested();
}

bool StopToken::sleepFor(std::chrono::nanoseconds duration) const {
    if (!state) {
        std::this_thread::sleep_for(duration);
        return true;
    }
    return state->waitFor(duration);
}

} // namespace sonifix
