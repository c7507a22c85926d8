#include "support/StopSource.h"

#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Far longer than any test may take: a pause of this length only ends early.
constexpr auto forever = 1h;
// What "at once" and "promptly" allow for on a loaded machine under a sanitizer.
constexpr auto prompt = 5s;

TEST(StopToken, RequestWakesAPauseThatIsWaiting) {
    StopSource source;
    std::promise<void> waiting;
    auto paused = std::async(std::launch::async, [&, token = source.token()] {
        waiting.set_value();
        const auto started = Clock::now();
        const bool completed = token.sleepFor(forever);
        return std::pair(completed, Clock::now() - started);
    });
    waiting.get_future().wait();
    std::this_thread::yield();
    EXPECT_TRUE(source.requestStop());

    ASSERT_EQ(paused.wait_for(prompt), std::future_status::ready);
    const auto [completed, lasted] = paused.get();
    EXPECT_FALSE(completed);
    EXPECT_LT(lasted, prompt);
}

TEST(StopToken, PauseWithoutRequestLastsItsDuration) {
    StopSource source;
    const auto started = Clock::now();
    EXPECT_TRUE(source.token().sleepFor(50ms));
    EXPECT_GE(Clock::now() - started, 50ms);
    EXPECT_FALSE(source.stopRequested());

    // Nothing can stop a token made without a source.
    const StopToken unstoppable;
    EXPECT_FALSE(unstoppable.stopRequested());
    EXPECT_TRUE(unstoppable.sleepFor(1ms));
}

TEST(StopToken, RequestBeforeThePauseEndsItAtOnce) {
    StopSource source;
    const auto token = source.token();
    EXPECT_TRUE(source.requestStop());
    EXPECT_FALSE(source.requestStop());

    const auto started = Clock::now();
    EXPECT_FALSE(token.sleepFor(forever));
    EXPECT_LT(Clock::now() - started, prompt);
    // Also a pause whose length overflows the clock, and one of no length at all.
    EXPECT_FALSE(token.sleepFor(std::chrono::nanoseconds::max()));
    EXPECT_FALSE(token.sleepFor(0s));
}

TEST(StopToken, CopiesShareTheRequest) {
    StopSource original;
    StopSource copy = original;
    const auto early = original.token();
    const auto earlyCopy = early;
    StopSource other;

    copy.requestStop();
    EXPECT_TRUE(original.stopRequested());
    EXPECT_TRUE(early.stopRequested());
    EXPECT_TRUE(earlyCopy.stopRequested());
    EXPECT_TRUE(original.token().stopRequested());
    EXPECT_FALSE(other.token().stopRequested());
}

TEST(StopToken, ManyWaitersAndRequestersAtOnce) {
    StopSource source;
    std::atomic<int> madeTheRequest = 0;
    std::vector<std::future<bool>> waiters;
    for (int i = 0; i < 8; ++i) {
        waiters.push_back(std::async(std::launch::async, [token = source.token()] {
            // Busy tokens: queries and short pauses, then a pause only the stop ends.
            for (int j = 0; j < 20 && !token.stopRequested(); ++j) {
                token.sleepFor(1ms);
            }
            return token.sleepFor(forever);
        }));
    }
    std::vector<std::thread> requesters;
    for (int i = 0; i < 4; ++i) {
        requesters.emplace_back([&, source]() mutable {
            if (source.requestStop()) {
                ++madeTheRequest;
            }
        });
    }
    for (auto& requester : requesters) {
        requester.join();
    }
    for (auto& waiter : waiters) {
        ASSERT_EQ(waiter.wait_for(prompt), std::future_status::ready);
        EXPECT_FALSE(waiter.get());
    }
    EXPECT_EQ(madeTheRequest, 1);
}

} // namespace
} // namespace sonifix
