#include "FakeMainQueue.h"

namespace sonifix::testing {

void FakeMainQueue::post(Block block) {
    postAfter(std::chrono::milliseconds(0), std::move(block));
}

void FakeMainQueue::postAfter(std::chrono::milliseconds delay, Block block) {
    const std::lock_guard lock(mutex);
    blocks.emplace(std::pair(clock + delay, sequence++), std::move(block));
}

bool FakeMainQueue::isMainThread() const {
    return std::this_thread::get_id() == mainThread;
}

bool FakeMainQueue::runNextDue() {
    Block block;
    {
        const std::lock_guard lock(mutex);
        if (blocks.empty() || blocks.begin()->first.first > clock) {
            return false;
        }
        block = std::move(blocks.begin()->second);
        blocks.erase(blocks.begin());
    }
    block();
    return true;
}

void FakeMainQueue::runReady() {
    while (runNextDue()) {
    }
}

void FakeMainQueue::advance(std::chrono::milliseconds duration) {
    std::chrono::milliseconds target{};
    {
        const std::lock_guard lock(mutex);
        target = clock + duration;
    }
    for (;;) {
        runReady();
        const std::lock_guard lock(mutex);
        if (blocks.empty() || blocks.begin()->first.first > target) {
            clock = target;
            break;
        }
        clock = blocks.begin()->first.first;
    }
    runReady();
}

bool FakeMainQueue::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        runReady();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    runReady();
    return true;
}

std::chrono::milliseconds FakeMainQueue::now() const {
    const std::lock_guard lock(mutex);
    return clock;
}

std::size_t FakeMainQueue::pending() const {
    const std::lock_guard lock(mutex);
    return blocks.size();
}

void FakeMainQueue::dropAll() {
    decltype(blocks) dropped;
    {
        const std::lock_guard lock(mutex);
        dropped.swap(blocks);
    }
}

} // namespace sonifix::testing
