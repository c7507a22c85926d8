#include "ThreadExecutor.h"

namespace sonifix {

ThreadExecutor::~ThreadExecutor() {
    stopAll();
}

void ThreadExecutor::stopAll() {
    std::list<Worker> remaining;
    {
        const std::lock_guard lock(mutex);
        remaining.swap(workers);
    }
    // jthread's destructor requests the stop and joins.
    remaining.clear();
}

void ThreadExecutor::submit(Work work) {
    std::list<Worker> done;
    const std::lock_guard lock(mutex);
    for (auto it = workers.begin(); it != workers.end();) {
        const auto next = std::next(it);
        if (it->finished->load()) {
            done.splice(done.end(), workers, it);
        }
        it = next;
    }
    auto finished = std::make_shared<std::atomic<bool>>(false);
    workers.push_back(
        {finished, std::jthread([work = std::move(work), finished](std::stop_token stop) {
             work(stop);
             finished->store(true);
         })});
}

} // namespace sonifix
