#include "audio/AudioDevices.h"

#include "FakePlatform.h"
#include "platform/AudioProperties.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <regex>

namespace sonifix {
namespace {

namespace props = audio_properties;

TEST(SampleRateText, WholeKilohertzWithoutDecimalsOthersWithOne) {
    const std::vector<std::pair<double, std::string>> cases = {
        {48000, "48 kHz"},
        {96000, "96 kHz"},
        {192000, "192 kHz"},
        {8000, "8 kHz"},
        {44100, "44.1 kHz"},
        {88200, "88.2 kHz"},
        {176400, "176.4 kHz"},
        {22050, "22.1 kHz"},
        {11025, "11.0 kHz"},
        {999, "1.0 kHz"},
        {0, "?"},
        {-48000, "?"},
        {std::nan(""), "?"},
    };
    for (const auto& [rate, text] : cases) {
        EXPECT_EQ(AudioDevice{.sampleRate = rate}.sampleRateText(), text) << rate;
    }
    // No defined text, but no failure either.
    EXPECT_FALSE(AudioDevice{.sampleRate = std::numeric_limits<double>::infinity()}
                     .sampleRateText()
                     .empty());
}

TEST(SampleRateText, RoundsTheExactValueToOneDecimalAsPrintfDoes) {
    const std::vector<std::pair<double, std::string>> cases = {
        // Exact halves go to the even digit.
        {44250, "44.2 kHz"},
        {44750, "44.8 kHz"},
        {250, "0.2 kHz"},
        // Written halves that are not exact in binary go the way their binary value lies.
        {350, "0.3 kHz"},
        {450, "0.5 kHz"},
        {950, "0.9 kHz"},
        // Rounding up carries into the whole part.
        {99950, "100.0 kHz"},
        {9999.96, "10.0 kHz"},
        {48000.0001, "48.0 kHz"},
        {0.001, "0.0 kHz"},
        {1e-300, "0.0 kHz"},
        // The largest fractions a double holds, and whole values past a 64-bit integer.
        {4503599627370495.5 * 1000, "4503599627370495.5 kHz"},
        {9.3e21, "9300000000000000000.0 kHz"},
        {1e22, "10000000000000000000.0 kHz"},
    };
    for (const auto& [rate, text] : cases) {
        EXPECT_EQ(AudioDevice{.sampleRate = rate}.sampleRateText(), text) << rate;
    }
    // Far past any buffer's size: still the number's own digits.
    const auto huge = AudioDevice{.sampleRate = 1e300}.sampleRateText();
    EXPECT_TRUE(std::regex_match(huge, std::regex(R"(1000000000000000017652801462\d{270}\.0 kHz)")))
        << huge;
}

class AudioDevicesTest : public ::testing::Test {
protected:
    AudioObjectID add(std::string name, const char (&transport)[5], double rate, int inputs = 0) {
        return fake.hardware.addDevice({.name = std::move(name),
                                        .transport = fourCharCode(transport),
                                        .sampleRate = rate,
                                        .inputStreams = std::uint32_t(inputs)});
    }

    testing::FakePlatform fake;
    AudioDevices devices{fake.hardware};
};

TEST_F(AudioDevicesTest, DescribesDevicesWithFallbacksForWhatCannotBeRead) {
    const auto speakers = add("MacBook Pro Speakers", "bltn", 48000);
    const auto described = devices.device(speakers);
    EXPECT_EQ(described.id, speakers);
    EXPECT_EQ(described.name, "MacBook Pro Speakers");
    EXPECT_EQ(described.transport, props::transportBuiltIn);
    EXPECT_EQ(described.sampleRate, 48000);

    fake.hardware.updateDevice(speakers, {.name = "Speakers",
                                          .transport = props::transportUSB,
                                          .sampleRate = 44100,
                                          .failingSelectors = {props::name}});
    EXPECT_EQ(devices.device(speakers).name, "Unknown device");
    EXPECT_EQ(devices.device(speakers).transport, props::transportUSB);
    EXPECT_EQ(devices.device(speakers).sampleRateText(), "44.1 kHz");

    fake.hardware.updateDevice(speakers, {.name = std::nullopt, .transport = 1, .sampleRate = 1});
    EXPECT_EQ(devices.device(speakers).name, "Unknown device");

    const auto unknown = devices.device(999);
    EXPECT_EQ(unknown.name, "Unknown device");
    EXPECT_EQ(unknown.transport, 0u);
    EXPECT_EQ(unknown.sampleRate, 0);
    EXPECT_EQ(unknown.sampleRateText(), "?");
}

TEST_F(AudioDevicesTest, ListsDevicesInSystemOrderOrNothingWhenTheListFails) {
    const auto first = add("A", "bltn", 48000);
    const auto second = add("B", "usb ", 48000);
    EXPECT_EQ(devices.allDeviceIDs(), (std::vector<AudioObjectID>{first, second}));
    fake.hardware.failSystemRead(props::devices);
    EXPECT_TRUE(devices.allDeviceIDs().empty());
}

TEST_F(AudioDevicesTest, TheBuiltInMicrophoneIsTheFirstBuiltInDeviceWithInput) {
    add("MacBook Pro Speakers", "bltn", 48000, 0);
    add("USB Microphone", "usb ", 48000, 1);
    add("AirPods", "blue", 24000, 1);
    const auto unreadable = fake.hardware.addDevice(
        {.name = "Mystery", .inputStreams = 1, .failingSelectors = {props::transportType}});
    EXPECT_EQ(devices.builtInMicrophone(), std::nullopt);

    const auto microphone = add("MacBook Pro Microphone", "bltn", 48000, 1);
    add("Second Built-in Input", "bltn", 96000, 2);
    ASSERT_TRUE(devices.builtInMicrophone());
    EXPECT_EQ(devices.builtInMicrophone()->id, microphone);
    EXPECT_NE(devices.builtInMicrophone()->id, unreadable);

    fake.hardware.failSystemRead(props::devices);
    EXPECT_EQ(devices.builtInMicrophone(), std::nullopt);
}

TEST_F(AudioDevicesTest, DefaultDevicesAreReadFreshAndZeroMeansNone) {
    const auto output = add("External Headphones", "bltn", 44100);
    const auto input = add("AirPods", "blue", 24000, 1);
    EXPECT_EQ(devices.defaultDevice(false), std::nullopt);

    fake.hardware.setDefault(false, output);
    fake.hardware.setDefault(true, input);
    EXPECT_EQ(devices.defaultDevice(false)->name, "External Headphones");
    EXPECT_EQ(devices.defaultDevice(true)->name, "AirPods");
    EXPECT_TRUE(devices.defaultDevice(true)->isBluetooth());

    fake.hardware.failSystemRead(props::defaultInputDevice);
    EXPECT_EQ(devices.defaultDevice(true), std::nullopt);
    EXPECT_TRUE(devices.defaultDevice(false));

    const auto microphone = add("MacBook Pro Microphone", "bltn", 48000, 1);
    devices.setDefaultInputDevice(microphone);
    EXPECT_EQ(fake.hardware.defaultID(true), microphone);
    EXPECT_EQ(fake.hardware.defaultID(false), output);
}

} // namespace
} // namespace sonifix
