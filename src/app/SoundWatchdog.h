#pragma once

#include "audio/SoundTrouble.h"
#include "platform/Platform.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sonifix {

// What the app does about broken sound: it offers a restart, or restarts on its own when the
// user has said so, within limits; it never cuts a call to do it, and it stops acting on a
// device that a restart does not cure. It is told what the detector sees and when restarts end;
// it runs the restart through the app's own. Main thread only. Owned by a shared_ptr: its timers
// hold it weakly.
class SoundWatchdog : public std::enable_shared_from_this<SoundWatchdog> {
public:
    static constexpr std::chrono::minutes autoRestartGap{15};
    static constexpr int autoRestartsPerDay = 3;
    // Trouble back this soon after a restart was not cured by it.
    static constexpr std::chrono::minutes notCuredWithin{2};
    static constexpr std::chrono::seconds afterCapture{15};
    // A restart after wake that waited this long for a call is no longer about the wake.
    static constexpr std::chrono::minutes wakeRestartLimit{30};

    static constexpr auto restartAction = "restart";
    static constexpr auto restartNowAction = "restart-now";
    static constexpr auto skipAction = "skip";

    // `restart` runs the app's normal restart. `capturingApp` names another app that captures
    // from a microphone now (a call), or nothing.
    SoundWatchdog(Platform& platform, std::function<void()> restart,
                  std::function<std::optional<std::string>()> capturingApp);

    // The troubles the detector sees now; each one new since the last call is acted on.
    void observe(const std::vector<SoundTrouble>& troubles);
    // A restart, whoever asked for it, has brought the sound back.
    void restarted();
    // The computer woke and the user wants a restart then.
    void wakeRestart();
    // No other app captures from a microphone any more.
    void captureEnded();

    // The menu's line: the last thing seen, and when.
    std::string lastSeenText();

private:
    using Time = std::chrono::steady_clock::time_point;
    struct Postponed {
        std::optional<SoundTrouble> trouble; // none: the restart after wake
        Time since;
    };

    void troubleBegan(const SoundTrouble& trouble);
    bool mayRestartAlone(Time now);
    void restartAlone(const std::optional<SoundTrouble>& trouble);
    void postpone(const std::optional<SoundTrouble>& trouble, const std::string& app);
    void runPostponed();
    void offer(const SoundTrouble& trouble);
    void sayNotCured(const SoundTrouble& trouble);
    void notify(Notifications::Notification notification, Notifications::Handler handler = {});
    static std::string describe(const SoundTrouble& trouble);

    Platform& platform;
    std::function<void()> restart;
    std::function<std::optional<std::string>()> capturingApp;
    std::vector<SoundTrouble> current;
    std::optional<Time> lastRestart;
    std::optional<SoundTrouble> cause; // of the last restart this watchdog asked for
    std::deque<Time> ownRestarts;      // oldest first, within the day
    std::set<std::string> givenUp;     // devices ("" the server) it no longer acts on alone
    std::optional<Postponed> postponed;
    std::optional<std::pair<std::string, std::chrono::system_clock::time_point>> lastSeen;
};

} // namespace sonifix
