#include "audio/AudioDevices.h"

#include "FakePlatform.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <regex>

namespace sonifix {
namespace {

namespace props = audio_properties;

TEST(SampleRateText, KilohertzRoundedFromTheExactValueAsPrintfDoesWholeOnesWithoutDecimals) {
    const std::vector<std::pair<double, std::string>> cases = {
        {48000, "48 kHz"},
        {44100, "44.1 kHz"},
        {11025, "11.0 kHz"},
        {999, "1.0 kHz"},
        {0, "?"},
        {-48000, "?"},
        {std::nan(""), "?"},
        // Exact halves go to the even digit; written halves that are not exact in binary go
        // the way their binary value lies.
        {44250, "44.2 kHz"},
        {44750, "44.8 kHz"},
        {250, "0.2 kHz"},
        {350, "0.3 kHz"},
        {450, "0.5 kHz"},
        // Rounding up carries into the whole part.
        {99950, "100.0 kHz"},
        {9999.96, "10.0 kHz"},
        {48000.0001, "48.0 kHz"},
        {1e-300, "0.0 kHz"},
        // The largest fractions a double holds, and whole values past a 64-bit integer.
        {4503599627370495.5 * 1000, "4503599627370495.5 kHz"},
        {1e22, "10000000000000000000.0 kHz"}};
    for (const auto& [rate, text] : cases) {
        EXPECT_EQ(AudioDevice{.sampleRate = rate}.sampleRateText(), text) << rate;
    }
    // Far past any buffer's size: still the number's own digits.
    const auto huge = AudioDevice{.sampleRate = 1e300}.sampleRateText();
    EXPECT_TRUE(std::regex_match(huge, std::regex(R"(1000000000000000017652801462\d{270}\.0 kHz)")))
        << huge;
    EXPECT_FALSE(AudioDevice{.sampleRate = INFINITY}.sampleRateText().empty());
}

class AudioDevicesTest : public ::testing::Test {
protected:
    AudioObjectID add(std::string name, const char (&transport)[5], double rate, int inputs = 0) {
        return fake.hardware.addDevice(
            {std::move(name), fourCharCode(transport), rate, std::uint32_t(inputs)});
    }

    testing::FakePlatform fake;
    AudioDevices devices{fake.hardware};
};

// Lists and defaults that cannot be read are the frozen real server's test.
TEST_F(AudioDevicesTest, WhatCannotBeReadHasAFallbackOrIsNone) {
    const auto speakers = add("Speakers", "usb ", 44100);
    fake.hardware.failing = {{speakers, props::name}};
    EXPECT_EQ(devices.device(speakers).name, "Unknown device");
    EXPECT_EQ(devices.device(speakers).transport, props::transportUSB);
    EXPECT_EQ(devices.device(speakers).sampleRateText(), "44.1 kHz");
    fake.hardware.devices[speakers].name.reset();
    EXPECT_EQ(devices.device(speakers).name, "Unknown device");
    const auto unknown = devices.device(999);
    EXPECT_EQ(unknown.name, "Unknown device");
    EXPECT_EQ(unknown.transport, 0u);
    EXPECT_EQ(unknown.sampleRateText(), "?");
}

TEST_F(AudioDevicesTest, TheBuiltInMicrophoneIsTheFirstBuiltInDeviceWithInput) {
    add("MacBook Pro Speakers", "bltn", 48000);
    add("USB Microphone", "usb ", 48000, 1);
    fake.hardware.failing = {{fake.hardware.addDevice({.inputStreams = 1}), props::transportType}};
    EXPECT_EQ(devices.builtInMicrophone(), std::nullopt);

    const auto microphone = add("MacBook Pro Microphone", "bltn", 48000, 1);
    add("Second Built-in Input", "bltn", 96000, 2);
    EXPECT_EQ(devices.builtInMicrophone()->id, microphone);
}

} // namespace
} // namespace sonifix
