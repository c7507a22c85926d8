#pragma once

#include "SoundTrouble.h"
#include "platform/Clock.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sonifix {

// Tells broken sound from the ordinary hiccups of a busy machine, from what the sound server
// reports: the answers to liveness probes, the profiler's samples of each driver's cycles, and
// the streams it links. It holds no timer: whoever feeds it asks `troubles` when a sample or a
// tick comes, and there are none while nothing plays. Times are the clock's at each call. One
// thread at a time.
class TroubleDetector {
public:
    // A probe that has had no answer this long is a miss; two misses in a row, the server hangs.
    static constexpr std::chrono::milliseconds probeTimeout{3000};
    static constexpr int missesForHang = 2;
    // Crackle is counted in buckets of a second; so many bad ones in the long window, and some
    // in the short one (so that it still goes on), make a persistent crackle.
    static constexpr std::chrono::seconds bucket{1};
    static constexpr std::chrono::seconds crackleWindow{30};
    static constexpr int badBucketsInWindow = 6;
    static constexpr std::chrono::seconds recentWindow{10};
    static constexpr int badBucketsRecently = 2;
    // One late follower is that app's own fault; the device is late for several.
    static constexpr std::size_t lateFollowersForBadBucket = 2;
    // A driver that starts, a rate or quantum change, a route change or a wake glitches once.
    static constexpr std::chrono::seconds settleTime{5};
    static constexpr std::chrono::seconds stallTime{2};
    static constexpr std::chrono::seconds unlinkedStreamTime{5};

    // What the profiler said of one cycle of a driver.
    struct Sample {
        std::uint32_t driver = 0;              // the driver's node
        std::uint64_t cycle = 0;               // its cycle counter
        std::uint64_t xruns = 0;               // its xrun counter
        std::set<std::uint32_t> lateFollowers; // followers that missed this cycle's deadline
    };

    explicit TroubleDetector(Clock& clock) : clock(clock) {}

    void probeAnswered();
    void probeMissed();

    // A driver starts running on the named device, or stops.
    void driverStarted(std::uint32_t driver, const std::string& device);
    void driverStopped(std::uint32_t driver);
    void profiled(const Sample& sample);
    // A rate or quantum change, a route change or a wake: what follows glitches for a moment.
    void settle();

    void streamAdded(std::uint32_t stream);
    void streamLinked(std::uint32_t stream);
    void streamRemoved(std::uint32_t stream);
    void defaultOutputChanged(bool exists);

    // Whether some driver runs or some stream waits: only then is there anything to watch.
    bool watching() const;

    // The troubles there are now, the whole server's first.
    std::vector<SoundTrouble> troubles();

private:
    using Time = std::chrono::steady_clock::time_point;
    struct Driver {
        std::string device;
        std::optional<std::uint64_t> cycle;
        std::optional<std::uint64_t> xruns;
        Time moved;                           // when its cycle counter last moved
        std::int64_t currentBucket = 0;       // of the samples seen last
        std::set<std::uint32_t> lateInBucket; // distinct late followers in it
        bool currentBad = false;
        std::deque<std::int64_t> badBuckets; // oldest first
    };

    bool settling(Time now) const;
    std::int64_t bucketOf(Time now) const;
    void markBad(Driver& driver);
    bool crackles(const Driver& driver, std::int64_t now) const;

    Clock& clock;
    const Time origin = clock.steadyNow();
    int misses = 0;
    std::optional<Time> settledUntil;
    std::map<std::uint32_t, Driver> drivers;
    std::map<std::uint32_t, Time> unlinked; // streams not linked yet, since when
    bool defaultOutput = false;
};

} // namespace sonifix
