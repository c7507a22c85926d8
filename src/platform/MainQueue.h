#pragma once

#include <chrono>
#include <functional>

namespace sonifix {

// The main thread's queue of blocks: the thread of the event loop, where all app state and all
// user interface live. May be posted to from any thread.
class MainQueue {
public:
    using Block = std::function<void()>;

    virtual ~MainQueue() = default;

    // Runs `block` on the main thread at a later turn of the event loop.
    virtual void post(Block block) = 0;

    // Runs `block` on the main thread once `delay` has passed. Nothing cancels it.
    virtual void postAfter(std::chrono::milliseconds delay, Block block) = 0;

    virtual bool isMainThread() const = 0;
};

} // namespace sonifix
