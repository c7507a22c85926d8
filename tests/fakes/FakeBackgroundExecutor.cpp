#include "FakeBackgroundExecutor.h"

namespace sonifix::testing {

void FakeBackgroundExecutor::submit(Work work) {
    const std::lock_guard lock(mutex);
    queued.push_back(std::move(work));
}

void FakeBackgroundExecutor::runAll() {
    for (;;) {
        Work work;
        {
            const std::lock_guard lock(mutex);
            if (queued.empty()) {
                return;
            }
            work = std::move(queued.front());
            queued.pop_front();
        }
        work(stops.token());
    }
}

std::size_t FakeBackgroundExecutor::pending() const {
    const std::lock_guard lock(mutex);
    return queued.size();
}

void FakeBackgroundExecutor::dropAll() {
    std::deque<Work> dropped;
    const std::lock_guard lock(mutex);
    dropped.swap(queued);
}

} // namespace sonifix::testing
