#pragma once

#include "FakePlatform.h"
#include "app/AppDelegate.h"
#include "app/Settings.h"

#include <gtest/gtest.h>

namespace sonifix::testing {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;

inline const std::string pgrep = "/usr/bin/pgrep -x coreaudiod";
inline const std::string sudo = "/usr/bin/sudo -n /usr/bin/killall coreaudiod";
constexpr auto builtIn = audio_properties::transportBuiltIn;
constexpr auto bluetoothLE = audio_properties::transportBluetoothLE;

// The app on fakes, on a Mac with speakers and a microphone built in.
class AppTest : public ::testing::Test {
protected:
    AppTest() {
        fake.hardware.setDefault(false, addDevice("MacBook Pro Speakers", builtIn, 48000, 0));
        fake.hardware.setDefault(true, microphone);
        fake.mainQueue.runReady();
    }

    // A user who has seen the welcome before.
    void launch() {
        fake.settings.setBool(settings::welcomed, true);
        delegate->applicationDidFinishLaunching();
        fake.mainQueue.runReady();
        fake.log.clear();
    }
    // The next restart finds a daemon that comes back under a new PID, with or without a
    // password; or one that stays away.
    void daemonWillComeBack(bool passwordFree = true) {
        fake.processes.answer(pgrep, {{0, std::to_string(pid++)}, {0, std::to_string(pid)}});
        fake.processes.answer(sudo, {{passwordFree ? 0 : 1, ""}});
    }
    void daemonWillStayAway() {
        fake.processes.answer(pgrep, {{0, ""}});
        fake.processes.answer(sudo, {{0, ""}});
    }
    // Lets a started restart (or other work) run to its end and its outcome be handled.
    void finishWork() {
        fake.background.runAll();
        fake.mainQueue.runReady();
    }
    // A whole restart from the menu, of a daemon that comes back; or of one that stays away.
    void restartOnce(bool passwordFree = true) {
        daemonWillComeBack(passwordFree);
        delegate->restartFromMenu();
        finishWork();
    }
    void failOnce() {
        daemonWillStayAway();
        delegate->restartFromMenu();
        finishWork();
    }
    Strings lastAlert() {
        const auto& alert = fake.alerts.shown.at(fake.alerts.shown.size() - 1);
        return {alert.messageText, alert.informativeText};
    }
    // Another app, or the headset itself, makes a device the default input.
    void inputBecomes(AudioObjectID id) {
        fake.hardware.setDefault(true, id);
        fake.mainQueue.runReady();
    }
    std::int64_t count() { return fake.settings.integerForKey(settings::restartCount); }

    AudioObjectID addDevice(std::string name, std::uint32_t transport, double rate,
                            std::uint32_t inputs = 1) {
        return fake.hardware.addDevice({std::move(name), transport, rate, inputs});
    }
    AudioObjectID addHeadset(std::uint32_t transport = audio_properties::transportBluetooth) {
        return addDevice("AirPods Pro", transport, 24000);
    }

    FakePlatform fake;
    AudioObjectID microphone = addDevice("MacBook Pro Microphone", builtIn, 48000);
    std::shared_ptr<AppDelegate> delegate = std::make_shared<AppDelegate>(
        fake.platform, DaemonIdentity::coreaudiod(), PlatformTexts::macOS());
    int pid = 400;
};

class LaunchedAppTest : public AppTest {
protected:
    LaunchedAppTest() { launch(); }
};

} // namespace sonifix::testing
