#include "audio/AudioDevices.h"

#include "FakePlatform.h"

#include <cmath>
#include <gtest/gtest.h>
#include <regex>

namespace sonifix {
namespace {

namespace props = audio_properties;

TEST(SampleRateText, KilohertzRoundedFromTheExactValueAsPrintfDoesWholeOnesWithoutDecimals) {
    const std::vector<std::pair<double, std::string>> cases = {
        {48000, "48 kHz"},
        {44100, "44.1 kHz"},
        {0, "?"},
        {-48000, "?"},
        {std::nan(""), "?"},
        // Exact halves go to the even digit; written halves that are not exact in binary go
        // the way their binary value lies.
        {44250, "44.2 kHz"},
        {44750, "44.8 kHz"},
        {350, "0.3 kHz"},
        {450, "0.5 kHz"},
        // Rounding up carries into the whole part; a fraction too small to show keeps its digit.
        {99950, "100.0 kHz"},
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

TEST(AudioDevices, TheBuiltInMicrophoneIsTheFirstBuiltInDeviceWithInput) {
    testing::FakeMainQueue mainQueue;
    testing::FakeAudioHardware hardware(mainQueue);
    AudioDevices devices(hardware);
    hardware.addDevice({"MacBook Pro Speakers", props::transportBuiltIn, 48000, 0});
    hardware.addDevice({"USB Microphone", props::transportUSB, 48000, 1});
    hardware.failing = {{hardware.addDevice({.inputStreams = 1}), props::transportType}};
    EXPECT_EQ(devices.builtInMicrophone(), std::nullopt);

    const auto microphone =
        hardware.addDevice({"MacBook Pro Microphone", props::transportBuiltIn, 48000, 1});
    hardware.addDevice({"Second Built-in Input", props::transportBuiltIn, 96000, 2});
    EXPECT_EQ(devices.builtInMicrophone()->id, microphone);

    // A jack with nothing in it is no microphone anyone can use: the next built-in input is,
    // one without a jack or with something plugged in; with no other, the unplugged one still is.
    hardware.devices[microphone].jackIsConnected = 0;
    EXPECT_EQ(devices.builtInMicrophone()->name, "Second Built-in Input");
    hardware.devices.rbegin()->second.jackIsConnected = 1;
    EXPECT_EQ(devices.builtInMicrophone()->name, "Second Built-in Input");
    hardware.devices.rbegin()->second.jackIsConnected = 0;
    EXPECT_EQ(devices.builtInMicrophone()->id, microphone);
}

} // namespace
} // namespace sonifix
