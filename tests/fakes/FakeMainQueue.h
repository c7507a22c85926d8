#pragma once

#include "platform/MainQueue.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace sonifix::testing {

// A main queue on a virtual clock that the test pumps. The thread that makes it is the main
// thread. Blocks may be posted from any thread; those due at the same time run in order.
class FakeMainQueue final : public MainQueue {
public:
    void post(Block block) override { postAfter(std::chrono::milliseconds(0), std::move(block)); }
    void postAfter(std::chrono::milliseconds delay, Block block) override {
        const std::lock_guard lock(mutex);
        blocks.emplace(clock + delay, std::move(block));
    }
    bool isMainThread() const override { return std::this_thread::get_id() == mainThread; }

    // Moves the clock forward, running each block when its time comes, and those it posts.
    void advance(std::chrono::milliseconds duration) {
        std::unique_lock lock(mutex);
        const auto target = clock + duration;
        while (!blocks.empty() && blocks.begin()->first <= target) {
            clock = std::max(clock, blocks.begin()->first);
            auto block = std::move(blocks.begin()->second);
            blocks.erase(blocks.begin());
            lock.unlock();
            std::exchange(block, nullptr)(); // and gone before the lock is taken again
            lock.lock();
        }
        clock = target;
    }
    void runReady() { advance(std::chrono::milliseconds(0)); }
    // Pumps until `done` holds or the real-time limit passes (for work on other threads).
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (runReady(); !done(); runReady()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    std::size_t pending() {
        const std::lock_guard lock(mutex);
        return blocks.size();
    }
    // Throws every pending block away unrun, as a queue torn down at quit would.
    void dropAll() {
        decltype(blocks) dropped;
        const std::lock_guard lock(mutex);
        dropped.swap(blocks);
    }

private:
    std::mutex mutex;
    std::chrono::milliseconds clock{0};
    std::multimap<std::chrono::milliseconds, Block> blocks; // by time due, each after its equals
    std::thread::id mainThread = std::this_thread::get_id();
};

} // namespace sonifix::testing
