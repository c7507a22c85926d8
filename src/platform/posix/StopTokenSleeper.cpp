#include "StopTokenSleeper.h"

namespace sonifix {

bool StopTokenSleeper::sleep(std::chrono::nanoseconds duration, StopToken stop) {
    return stop.sleepFor(duration);
}

} // namespace sonifix
