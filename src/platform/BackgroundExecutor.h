#pragma once

#include "support/StopToken.h"

#include <functional>

namespace sonifix {

// Runs work off the main thread. Each piece of work gets a stop token, which the executor
// requests when it is torn down, so that pending sleeps end and the work returns.
class BackgroundExecutor {
public:
    using Work = std::function<void(StopToken)>;

    virtual ~BackgroundExecutor() = default;

    virtual void submit(Work work) = 0;
};

} // namespace sonifix
