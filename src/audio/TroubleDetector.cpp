#include "TroubleDetector.h"

#include <algorithm>

namespace sonifix {

void TroubleDetector::probeAnswered() {
    misses = 0;
}

void TroubleDetector::probeMissed() {
    ++misses;
}

void TroubleDetector::driverStarted(std::uint32_t driver, const std::string& device) {
    const auto now = clock.steadyNow();
    drivers[driver] = Driver{.device = device, .moved = now, .currentBucket = bucketOf(now)};
    settle();
}

void TroubleDetector::driverStopped(std::uint32_t driver) {
    drivers.erase(driver);
}

void TroubleDetector::settle() {
    settledUntil = clock.steadyNow() + settleTime;
}

bool TroubleDetector::settling(Time now) const {
    return settledUntil && now < *settledUntil;
}

std::int64_t TroubleDetector::bucketOf(Time now) const {
    return std::chrono::duration_cast<std::chrono::seconds>(now - origin).count() / bucket.count();
}

void TroubleDetector::profiled(const Sample& sample) {
    const auto now = clock.steadyNow();
    const auto found = drivers.find(sample.driver);
    if (found == drivers.end()) {
        // The profiler may report a cycle before the driver's start is heard of.
        return;
    }
    auto& driver = found->second;
    if (driver.cycle != sample.cycle) {
        driver.moved = now;
    }
    const auto current = bucketOf(now);
    if (current != driver.currentBucket) {
        driver.currentBucket = current;
        driver.lateInBucket.clear();
        driver.currentBad = false;
    }
    const bool xrunsRose = driver.xruns && sample.xruns > *driver.xruns;
    driver.cycle = sample.cycle;
    driver.xruns = sample.xruns;
    if (settling(now)) {
        return;
    }
    driver.lateInBucket.insert(sample.lateFollowers.begin(), sample.lateFollowers.end());
    if (!driver.currentBad &&
        (xrunsRose || driver.lateInBucket.size() >= lateFollowersForBadBucket)) {
        driver.currentBad = true;
        driver.badBuckets.push_back(current);
    }
    const auto oldest = current - crackleWindow / bucket;
    while (!driver.badBuckets.empty() && driver.badBuckets.front() <= oldest) {
        driver.badBuckets.pop_front();
    }
}

bool TroubleDetector::crackles(const Driver& driver, std::int64_t now) const {
    const auto since = [&](std::chrono::seconds window) {
        return std::count_if(driver.badBuckets.begin(), driver.badBuckets.end(),
                             [&](std::int64_t each) { return each > now - window / bucket; });
    };
    return since(crackleWindow) >= badBucketsInWindow && since(recentWindow) >= badBucketsRecently;
}

void TroubleDetector::streamAdded(std::uint32_t stream) {
    unlinked.emplace(stream, clock.steadyNow());
}

void TroubleDetector::streamLinked(std::uint32_t stream) {
    unlinked.erase(stream);
}

void TroubleDetector::streamRemoved(std::uint32_t stream) {
    unlinked.erase(stream);
}

void TroubleDetector::defaultOutputChanged(bool exists) {
    defaultOutput = exists;
}

bool TroubleDetector::watching() const {
    return !drivers.empty() || !unlinked.empty();
}

std::vector<SoundTrouble> TroubleDetector::troubles() {
    using Kind = SoundTrouble::Kind;
    if (misses >= missesForHang) {
        // Nothing else the server says can be believed, nor does anything else matter.
        return {{.kind = Kind::hungServer}};
    }
    const auto now = clock.steadyNow();
    std::vector<SoundTrouble> found;
    // A stream with nowhere to go is only the session manager's fault when there is a place.
    const bool waited = std::any_of(unlinked.begin(), unlinked.end(), [&](const auto& each) {
        return now - each.second >= unlinkedStreamTime;
    });
    if (defaultOutput && waited) {
        found.push_back({.kind = Kind::stuckSessionManager});
    }
    for (const auto& [id, driver] : drivers) {
        if (misses == 0 && !settling(now) && now - driver.moved >= stallTime) {
            found.push_back({.kind = Kind::stalledGraph, .device = driver.device});
        } else if (crackles(driver, bucketOf(now))) {
            found.push_back({.kind = Kind::crackle, .device = driver.device});
        }
    }
    return found;
}

} // namespace sonifix
