#pragma once

#include <chrono>
#include <memory>

namespace sonifix {

class StopState;

// The receiving end of a StopSource: background work asks it whether to stop, and pauses on it
// so that a stop request ends the pause at once. Copies share their source's state. A token
// made without a source is never stopped.
class StopToken {
public:
    StopToken() = default;
    explicit StopToken(std::shared_ptr<StopState> state) : state(std::move(state)) {}

    bool stopRequested() const;

    // Waits `duration`; answers false, at once, when a stop is requested before it has passed.
    bool sleepFor(std::chrono::nanoseconds duration) const;

private:
    std::shared_ptr<StopState> state;
};

} // namespace sonifix
