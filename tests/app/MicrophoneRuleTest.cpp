#include "AppTest.h"

namespace sonifix::testing {
namespace {

class MicrophoneRuleTest : public AppTest {
protected:
    MicrophoneRuleTest() { launch(); }

    // Another app (or the headset itself) makes a device the default input.
    void inputBecomes(AudioObjectID id) {
        fake.hardware.setDefault(true, id);
        fake.mainQueue.runReady();
    }
};

TEST_F(MicrophoneRuleTest, SwitchedOffItQueriesNothing) {
    const auto headset = addBluetoothHeadset();
    const auto reads = fake.hardware.readCount();
    inputBecomes(headset);
    EXPECT_EQ(fake.hardware.readCount(), reads);
    EXPECT_EQ(fake.hardware.defaultID(true), headset);
}

TEST_F(MicrophoneRuleTest, ABluetoothInputGoesBackToTheBuiltInMicrophoneOnceWithoutLooping) {
    fake.settings.setBool(settings::keepMacMicrophone, true);
    for (const auto transport : {fourCharCode("blue"), fourCharCode("blea")}) {
        const auto headset =
            fake.hardware.addDevice({.name = "Headset", .transport = transport, .inputStreams = 1});
        fake.hardware.setDefault(false, headset);
        const auto writes = fake.hardware.defaultInputWrites();
        inputBecomes(headset);
        EXPECT_EQ(fake.hardware.defaultID(true), microphone) << transport;
        EXPECT_EQ(fake.hardware.defaultID(false), headset) << transport;
        // The switch fires the listener once more; that run finds nothing to do.
        EXPECT_EQ(fake.hardware.defaultInputWrites(), writes + 1) << transport;
        EXPECT_EQ(fake.mainQueue.pending(), 0u);
    }
}

TEST_F(MicrophoneRuleTest, OtherInputsAndMacsWithoutAMicrophoneAreLeftAlone) {
    fake.settings.setBool(settings::keepMacMicrophone, true);
    const auto usb = fake.hardware.addDevice(
        {.name = "USB Mic", .transport = fourCharCode("usb "), .inputStreams = 1});
    inputBecomes(usb);
    EXPECT_EQ(fake.hardware.defaultID(true), usb);

    const auto unknown = fake.hardware.addDevice({.name = "Mystery", .inputStreams = 1});
    inputBecomes(unknown);
    EXPECT_EQ(fake.hardware.defaultID(true), unknown);

    fake.hardware.removeDevice(microphone);
    const auto headset = addBluetoothHeadset();
    inputBecomes(headset);
    EXPECT_EQ(fake.hardware.defaultID(true), headset);
    EXPECT_EQ(fake.hardware.defaultInputWrites(), 0);
}

TEST_F(MicrophoneRuleTest, SwitchingTheSettingOnActsAtOnce) {
    const auto headset = addBluetoothHeadset();
    inputBecomes(headset);
    fake.menu.choose("Keep the Mac’s Microphone as Input");
    EXPECT_EQ(fake.hardware.defaultID(true), microphone);

    inputBecomes(headset);
    fake.menu.choose("Keep the Mac’s Microphone as Input"); // off again: nothing changes
    EXPECT_EQ(fake.hardware.defaultID(true), microphone);
}

TEST_F(AppTest, ASuccessfulRestartAppliesTheMicrophoneRuleAgain) {
    fake.settings.setBool(settings::keepMacMicrophone, true);
    fake.hardware.refuseListener(audio_properties::defaultInputDevice);
    launch();
    const auto headset = addBluetoothHeadset();
    delegate->restartFromMenu();
    daemonWillComeBack();
    fake.background.runAll();
    // The headset took the input while the daemon was down, unseen by any listener.
    fake.hardware.setDefault(true, headset);
    fake.mainQueue.runReady();
    EXPECT_EQ(fake.hardware.defaultID(true), microphone);
}

} // namespace
} // namespace sonifix::testing
