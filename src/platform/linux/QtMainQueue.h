#pragma once

#include "platform/MainQueue.h"

#include <QObject>
#include <memory>
#include <mutex>

namespace sonifix {

// The Qt application's event loop as the main queue. Make it on the main thread, after the
// application object.
class QtMainQueue final : public MainQueue {
public:
    QtMainQueue();

    void post(Block block) override;
    void postAfter(std::chrono::milliseconds delay, Block block) override;
    bool isMainThread() const override;

    // Main thread: the blocks posted and not yet run, and the timers not yet due, are dropped
    // unrun, and nothing posted from now on runs.
    void discardPending();

private:
    std::mutex mutex;
    // The receiver of every block: with it go the blocks still queued for it.
    std::unique_ptr<QObject> context;
};

} // namespace sonifix
