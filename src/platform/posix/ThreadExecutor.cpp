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
    stopAndJoin(remaining);
}

void ThreadExecutor::stopAndJoin(std::list<Worker>& stopping) {
    for (auto& worker : stopping) {
        worker.stop.requestStop();
    }
    for (auto& worker : stopping) {
        if (worker.thread.joinable()) {
            worker.thread.join();
        }
    }
    stopping.clear();
}

void ThreadExecutor::submit(Work work) {
    std::list<Worker> done;
    {
        const std::lock_guard lock(mutex);
        for (auto it = workers.begin(); it != workers.end();) {
            const auto next = std::next(it);
            if (it->finished->load()) {
                done.splice(done.end(), workers, it);
            }
            it = next;
        }
        // The worker is listed before its thread starts, so that a thread that cannot start
        // leaves nothing behind, and a started one is always joined.
        auto& worker = workers.emplace_back(Worker{
            .finished = std::make_shared<std::atomic<bool>>(false), .stop = {}, .thread = {}});
        try {
            worker.thread = std::thread(
                [work = std::move(work), finished = worker.finished, stop = worker.stop.token()] {
                    work(stop);
                    finished->store(true);
                });
        } catch (...) {
            workers.pop_back();
            stopAndJoin(done);
            throw;
        }
    }
    // Their work has returned: joining them is immediate, and needs no lock.
    stopAndJoin(done);
}

} // namespace sonifix
