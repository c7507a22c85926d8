#pragma once

#include "StopState.h"
#include "StopToken.h"

#include <memory>

namespace sonifix {

// Asks background work to stop: every token it handed out sees the request, and their pauses
// end. Copies share one state, so a request through any of them reaches all tokens.
class StopSource {
public:
    StopSource() : state(std::make_shared<StopState>()) {}

    StopToken token() const { return StopToken(state); }

    // Answers true when this call made the request, false when it had already been made.
    bool requestStop() { return state->request(); }
    bool stopRequested() const { return state->requested(); }

private:
    std::shared_ptr<StopState> state;
};

} // namespace sonifix
