#include "FakePlatform.h"
#include "audio/AudioDevices.h"
#include "platform/AudioProperties.h"

#include <gtest/gtest.h>

namespace sonifix {
namespace {

namespace props = audio_properties;

class DeviceObservationTest : public ::testing::Test {
protected:
    AudioObjectID add(const char (&transport)[5]) {
        return fake.hardware.addDevice({.name = "Device", .transport = fourCharCode(transport)});
    }

    testing::FakePlatform fake;
    AudioDevices devices{fake.hardware};
    int calls = 0;
};

TEST_F(DeviceObservationTest, ObservingAgainReplacesTheListenersAndChangesArriveOnTheMainQueue) {
    devices.observeDefaultDeviceChanges([&] { calls += 100; });
    devices.observeDefaultDeviceChanges([&] { ++calls; });
    EXPECT_EQ(fake.hardware.listenerCount(), 2u);

    fake.hardware.setDefault(true, add("blue"));
    EXPECT_EQ(calls, 0) << "the handler runs on the main queue, not in the caller";
    fake.mainQueue.runReady();
    EXPECT_EQ(calls, 1);

    // A device that takes both defaults over is two changes.
    const auto headset = add("blue");
    fake.hardware.setDefault(true, headset);
    fake.hardware.setDefault(false, headset);
    fake.mainQueue.runReady();
    EXPECT_EQ(calls, 3);
}

TEST_F(DeviceObservationTest, ARefusedRegistrationIsNotKeptAndTheOtherPropertyIsStillWatched) {
    fake.hardware.refuseListener(props::defaultInputDevice);
    devices.observeDefaultDeviceChanges([&] { ++calls; });
    EXPECT_EQ(fake.hardware.listenerCount(), 1u);

    fake.hardware.setDefault(true, add("blue"));
    fake.hardware.setDefault(false, add("bltn"));
    fake.mainQueue.runReady();
    EXPECT_EQ(calls, 1);

    fake.hardware.refuseListener(props::defaultInputDevice, false);
    devices.observeDefaultDeviceChanges([&] { ++calls; });
    EXPECT_EQ(fake.hardware.listenerCount(), 2u);
}

} // namespace
} // namespace sonifix
