#pragma once

#include "platform/BackgroundExecutor.h"
#include "support/StopSource.h"

#include <deque>
#include <mutex>
#include <utility>

namespace sonifix::testing {

// Holds submitted work until the test runs it, on the thread that calls runAll.
class FakeBackgroundExecutor final : public BackgroundExecutor {
public:
    void submit(Work work) override {
        const std::lock_guard lock(mutex);
        queued.push_back(std::move(work));
    }
    // Runs the work submitted so far, and whatever it submits in turn.
    void runAll() {
        for (std::unique_lock lock(mutex); !queued.empty(); lock.lock()) {
            auto work = std::move(queued.front());
            queued.pop_front();
            lock.unlock();
            std::exchange(work, nullptr)(stops.token()); // and gone before the lock is taken
        }
    }
    std::size_t pending() {
        const std::lock_guard lock(mutex);
        return queued.size();
    }
    // Throws the queued work away unrun, freed once the lock is let go.
    void dropAll() {
        decltype(queued) dropped;
        const std::lock_guard lock(mutex);
        dropped.swap(queued);
    }
    void requestStop() { stops.requestStop(); }

private:
    std::mutex mutex;
    std::deque<Work> queued;
    StopSource stops;
};

} // namespace sonifix::testing
