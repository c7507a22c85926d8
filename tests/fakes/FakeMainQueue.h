#pragma once

#include "platform/MainQueue.h"

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace sonifix::testing {

// A main queue on a virtual clock that the test pumps. The thread that makes it is the main
// thread. Blocks may be posted from any thread.
class FakeMainQueue final : public MainQueue {
public:
    void post(Block block) override;
    void postAfter(std::chrono::milliseconds delay, Block block) override;
    bool isMainThread() const override;

    // Runs every block that is due now, including blocks those post for now.
    void runReady();
    // Moves the clock forward, running each block when its time comes.
    void advance(std::chrono::milliseconds duration);
    // Pumps until `done` holds or the real-time limit passes (for work on other threads).
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(10));

    std::chrono::milliseconds now() const;
    std::size_t pending() const;
    // Throws every pending block away unrun, as a queue torn down at quit would.
    void dropAll();

private:
    bool runNextDue();

    mutable std::mutex mutex;
    std::chrono::milliseconds clock{0};
    std::uint64_t sequence = 0;
    std::multimap<std::pair<std::chrono::milliseconds, std::uint64_t>, Block> blocks;
    std::thread::id mainThread = std::this_thread::get_id();
};

} // namespace sonifix::testing
