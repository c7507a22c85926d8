#pragma once

#include "platform/BackgroundExecutor.h"
#include "support/StopSource.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace sonifix {

// A thread per piece of work: the app has at most a few at once (a restart, an installation, a
// sign-up). Tearing the executor down requests every stop and waits for the work to return.
class ThreadExecutor final : public BackgroundExecutor {
public:
    ThreadExecutor() = default;
    ThreadExecutor(const ThreadExecutor&) = delete;
    ThreadExecutor& operator=(const ThreadExecutor&) = delete;
    ~ThreadExecutor() override;

    void submit(Work work) override;

    // Requests every stop and waits for the work to return; work submitted later runs as usual.
    void stopAll();

private:
    struct Worker {
        std::shared_ptr<std::atomic<bool>> finished;
        StopSource stop;
        std::thread thread;
    };

    // Requests every stop first, so that the pauses end together, then waits for each thread.
    static void stopAndJoin(std::list<Worker>& stopping);

    std::mutex mutex;
    std::list<Worker> workers;
};

} // namespace sonifix
