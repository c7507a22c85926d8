#include "support/CallbackBoundary.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace sonifix {
namespace {

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
