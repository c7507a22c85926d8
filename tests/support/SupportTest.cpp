#include "support/CallbackBoundary.h"
#include "support/StopSource.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Far longer than any test may take: a pause of this length only ends early.
constexpr auto forever = 1h;
// What "at once" allows for on a loaded machine under a sanitizer.
constexpr auto prompt = 5s;

TEST(StopToken, APauseLastsItsLengthUnlessARequestEndsItBeforeOrDuringItManyAtOnceToo) {
    StopSource source;
    const auto started = Clock::now();
    EXPECT_TRUE(source.token().sleepFor(50ms));
    EXPECT_GE(Clock::now() - started, 50ms);
    EXPECT_TRUE(StopToken().sleepFor(1ms)) << "nothing stops a token made without a source";

    std::promise<void> waiting;
    auto paused = std::async(std::launch::async, [&, token = source.token()] {
        waiting.set_value();
        return token.sleepFor(forever);
    });
    waiting.get_future().wait();
    std::this_thread::yield();
    EXPECT_TRUE(StopSource(source).requestStop()) << "copies share the request";
    ASSERT_EQ(paused.wait_for(prompt), std::future_status::ready);
    EXPECT_FALSE(paused.get());

    EXPECT_FALSE(source.requestStop());
    EXPECT_FALSE(source.token().sleepFor(forever));
    // Also a pause whose length overflows the clock, and one of no length at all.
    EXPECT_FALSE(source.token().sleepFor(std::chrono::nanoseconds::max()));
    EXPECT_FALSE(source.token().sleepFor(0s));
    EXPECT_FALSE(StopSource().token().stopRequested());

    // Many waiters and requesters at once.
    source = StopSource();
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
        requesters.emplace_back([&, source]() mutable { madeTheRequest += source.requestStop(); });
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

TEST(CallbackBoundaryTest, StopsEveryExceptionAndNamesWhereItStopped) {
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(
        callbackBoundary("the menu action", [] { throw std::runtime_error("no such device"); }));
    EXPECT_FALSE(callbackBoundary("the hot key handler", [] { throw 42; }));
    const auto reported = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("the menu action failed: no such device"), std::string::npos);
    EXPECT_NE(reported.find("the hot key handler failed"), std::string::npos);
    int runs = 0;
    EXPECT_TRUE(callbackBoundary("a block", [&] { ++runs; }));
    EXPECT_EQ(runs, 1);
}

} // namespace
} // namespace sonifix
