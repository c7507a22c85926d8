#pragma once

#include "platform/BackgroundExecutor.h"
#include "support/StopSource.h"

#include <deque>
#include <mutex>

namespace sonifix::testing {

// Holds submitted work until the test runs it, on the test's own thread.
class FakeBackgroundExecutor final : public BackgroundExecutor {
public:
    void submit(Work work) override;

    // Runs the work submitted so far, and whatever it submits in turn.
    void runAll();
    std::size_t pending() const;
    // Throws the queued work away unrun.
    void dropAll();
    // Stops the work that runs from now on.
    void requestStop() { stops.requestStop(); }

private:
    mutable std::mutex mutex;
    std::deque<Work> queued;
    StopSource stops;
};

} // namespace sonifix::testing
