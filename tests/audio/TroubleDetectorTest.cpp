#include "audio/TroubleDetector.h"

#include "FakeClock.h"
#include "audio/MicrophoneUse.h"

#include <gtest/gtest.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using Kind = SoundTrouble::Kind;
using Troubles = std::vector<SoundTrouble>;

const Troubles none;
const Troubles crackle{{.kind = Kind::crackle, .device = "Speakers"}};

// A driver on "Speakers" that has run past its settle time, fed ten cycles a second.
class TroubleDetectorTest : public ::testing::Test {
protected:
    TroubleDetectorTest() {
        detector.driverStarted(driver, "Speakers");
        seconds(TroubleDetector::settleTime.count(), {});
    }
    // One second of cycles: the first one's xruns rise when `xrun`; `late` are late in each.
    void second(bool xrun, const std::set<std::uint32_t>& late = {}) {
        for (int i = 0; i < 10; ++i) {
            xruns += xrun && i == 0;
            detector.profiled(
                {.driver = driver, .cycle = ++cycle, .xruns = xruns, .lateFollowers = late});
            clock.elapsed = clock.elapsed.load() + 100ms;
        }
    }
    void seconds(int count, const std::vector<int>& bad) {
        for (int i = 0; i < count; ++i) {
            second(std::find(bad.begin(), bad.end(), i) != bad.end());
        }
    }

    testing::FakeClock clock;
    TroubleDetector detector{clock};
    std::uint32_t driver = 30;
    std::uint64_t cycle = 0;
    std::uint64_t xruns = 0;
};

TEST_F(TroubleDetectorTest, CrackleTakesSixBadSecondsInThirtyAndTwoInTheLastTen) {
    // Five bad seconds are a busy machine, however close together.
    seconds(10, {0, 1, 2, 3, 4});
    EXPECT_EQ(detector.troubles(), none);
    // A sixth, but then ten clean seconds: it has stopped.
    seconds(10, {0});
    EXPECT_EQ(detector.troubles(), none);
    seconds(2, {0, 1});
    EXPECT_EQ(detector.troubles(), crackle);
    // However many xruns one second has, it is one bad second.
    seconds(20, {8, 9});
    seconds(10, {});
    for (int i = 0; i < 10; ++i) {
        detector.profiled({.driver = driver, .cycle = ++cycle, .xruns = ++xruns});
    }
    EXPECT_EQ(detector.troubles(), none);
    // The early ones leave the window as time goes on.
    seconds(3, {0, 1, 2});
    EXPECT_EQ(detector.troubles(), none) << "five in the last 30 s";
    second(true);
    EXPECT_EQ(detector.troubles(), crackle);
}

TEST_F(TroubleDetectorTest, OneLateFollowerIsItsAppsFaultAndSettlingGlitchesAreIgnored) {
    for (int i = 0; i < 30; ++i) {
        second(false, {41});
    }
    EXPECT_EQ(detector.troubles(), none) << "a stopped player is always the one late";
    for (int i = 0; i < 6; ++i) {
        second(false, {41});
        second(false, {41, 42});
    }
    EXPECT_EQ(detector.troubles(), crackle);

    // After a wake, a route or rate change, or a new driver: five seconds of grace.
    for (const auto& glitch : {+[](TroubleDetector& d) { d.settle(); },
                               +[](TroubleDetector& d) { d.driverStarted(30, "Speakers"); }}) {
        seconds(30, {});
        glitch(detector);
        seconds(5, {0, 1, 2, 3, 4});
        seconds(2, {0, 1});
        EXPECT_EQ(detector.troubles(), none);
    }
}

TEST_F(TroubleDetectorTest, StallsHangsAndStuckStreamsNeedTheirTimeAndTheirWitnesses) {
    // A graph that stops moving while the server answers is stalled, after two seconds.
    detector.probeAnswered();
    clock.elapsed = clock.elapsed.load() + 1800ms;
    EXPECT_EQ(detector.troubles(), none);
    clock.elapsed = clock.elapsed.load() + 100ms;
    EXPECT_EQ(detector.troubles(), (Troubles{{.kind = Kind::stalledGraph, .device = "Speakers"}}));
    // A server that does not answer is no witness; twice without an answer, it hangs.
    detector.probeMissed();
    EXPECT_EQ(detector.troubles(), none);
    detector.probeMissed();
    EXPECT_EQ(detector.troubles(), (Troubles{{.kind = Kind::hungServer}}));
    detector.probeAnswered();

    // A stream left unlinked five seconds is the session manager's fault only when there is
    // an output to link it to.
    detector.driverStopped(driver);
    EXPECT_FALSE(detector.watching());
    detector.streamAdded(7);
    detector.streamAdded(8);
    EXPECT_TRUE(detector.watching());
    detector.streamLinked(7);
    clock.elapsed = clock.elapsed.load() + 5s;
    EXPECT_EQ(detector.troubles(), none);
    detector.defaultOutputChanged(true);
    EXPECT_EQ(detector.troubles(), (Troubles{{.kind = Kind::stuckSessionManager}}));
    detector.streamRemoved(8);
    EXPECT_EQ(detector.troubles(), none);
}

} // namespace
} // namespace sonifix

namespace sonifix {
namespace {

TEST(MicrophoneUse, ACallCountsFirstAndMetersPausedOwnAndMonitorStreamsNotAtAll) {
    const CaptureStream meter{.app = "Volume Control", .binary = "pavucontrol"};
    const CaptureStream own{.app = "Sonifix", .pid = 7};
    const CaptureStream recorder{.app = "Audacity", .pid = 9};
    const CaptureStream call{.app = "Firefox", .appId = "org.kde.plasma-pa", .role = "phone"};
    EXPECT_EQ(MicrophoneUse::otherApp({meter, own}, 7), std::nullopt);
    EXPECT_EQ(MicrophoneUse::otherApp({meter, recorder, call}, 7), "Firefox");
    EXPECT_EQ(MicrophoneUse::otherApp({own, recorder}, 7), "Audacity");
    auto paused = recorder;
    paused.corked = true;
    auto monitor = recorder;
    monitor.fromMonitor = true;
    EXPECT_EQ(MicrophoneUse::otherApp({paused, monitor}, 7), std::nullopt);
}

} // namespace
} // namespace sonifix
