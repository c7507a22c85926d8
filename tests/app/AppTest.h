#pragma once

#include "FakePlatform.h"
#include "app/AppDelegate.h"
#include "app/Settings.h"
#include "platform/AudioProperties.h"

#include <gtest/gtest.h>

namespace sonifix::testing {

inline const std::string pgrep = "/usr/bin/pgrep -x coreaudiod";
inline const std::string sudo = "/usr/bin/sudo -n /usr/bin/killall coreaudiod";

// The app on fakes, on a Mac with speakers and a microphone built in.
class AppTest : public ::testing::Test {
protected:
    AppTest() {
        speakers = fake.hardware.addDevice({.name = "MacBook Pro Speakers",
                                            .transport = fourCharCode("bltn"),
                                            .sampleRate = 48000});
        microphone = fake.hardware.addDevice({.name = "MacBook Pro Microphone",
                                              .transport = fourCharCode("bltn"),
                                              .sampleRate = 48000,
                                              .inputStreams = 1});
        fake.hardware.setDefault(false, speakers);
        fake.hardware.setDefault(true, microphone);
        fake.mainQueue.runReady();
    }

    // A user who has seen the welcome before.
    void launch() {
        fake.settings.setBool(settings::welcomed, true);
        launchFirstTime();
    }
    void launchFirstTime() {
        delegate->applicationDidFinishLaunching();
        fake.mainQueue.runReady();
    }

    // The next restart finds a daemon that comes back under a new PID, without a password.
    void daemonWillComeBack(bool passwordFree = true) {
        fake.processes.answer(
            pgrep, {{0, std::to_string(pid) + "\n"}, {0, std::to_string(pid + 1) + "\n"}});
        fake.processes.answer(sudo, {{passwordFree ? 0 : 1, ""}});
        ++pid;
    }
    void daemonWillStayAway() {
        fake.processes.answer(pgrep, {{0, ""}});
        fake.processes.answer(sudo, {{0, ""}});
    }

    // Lets a started restart run to its end and its outcome be handled.
    void finishRestart() {
        fake.background.runAll();
        fake.mainQueue.runReady();
    }

    AudioObjectID addBluetoothHeadset(const char (&transport)[5] = "blue") {
        return fake.hardware.addDevice({.name = "AirPods Pro",
                                        .transport = fourCharCode(transport),
                                        .sampleRate = 24000,
                                        .inputStreams = 1});
    }

    FakePlatform fake;
    std::shared_ptr<AppDelegate> delegate = std::make_shared<AppDelegate>(
        fake.platform, DaemonIdentity::coreaudiod(), PlatformTexts::macOS());
    AudioObjectID speakers = 0;
    AudioObjectID microphone = 0;
    int pid = 400;
};

} // namespace sonifix::testing
