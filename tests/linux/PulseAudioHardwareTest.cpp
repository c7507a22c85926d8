#include "platform/linux/PulseAudioHardware.h"

#include "FakeMainQueue.h"
#include "audio/AudioDevices.h"
#include "platform/AudioProperties.h"

#include <gtest/gtest.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
namespace props = audio_properties;
using Properties = std::map<std::string, std::string>;

TEST(PulseAudioTransportTest, TheBusDecidesFirstThenTheFormFactorThenTheMarksOfAVirtualDevice) {
    const std::vector<std::pair<Properties, std::uint32_t>> cases = {
        {{{"device.bus", "bluetooth"}, {"device.form_factor", "headset"}},
         props::transportBluetooth},
        // PipeWire's Bluetooth nodes name their API, not always their bus.
        {{{"device.api", "bluez5"}, {"device.form_factor", "internal"}}, props::transportBluetooth},
        {{{"device.bus", "usb"}, {"device.form_factor", "internal"}}, props::transportUSB},
        {{{"device.form_factor", "internal"}}, props::transportBuiltIn},
        {{{"device.class", "abstract"}}, props::transportVirtual},
        {{{"factory.name", "support.null-audio-sink"}}, props::transportVirtual},
        // A null device that says it is built in is taken at its word.
        {{{"factory.name", "support.null-audio-sink"}, {"device.bus", "pci"}},
         props::transportBuiltIn},
        {{{"device.bus", "firewire"}}, 0},
        {{{"device.class", "sound"}}, 0},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(PulseAudioHardware::transportType(cases[i].first), cases[i].second)
            << "case " << i;
    }
}

// No server at all: the adapter answers at once, with failures, and never an id it did not hand
// out.
TEST(PulseAudioHardwareTest, WithoutAServerEveryReadFailsAtOnce) {
    testing::FakeMainQueue mainQueue;
    PulseAudioHardware hardware(mainQueue,
                                {.server = "unix:/nonexistent/sonifix/native", .queryTimeout = 5s});
    AudioDevices devices(hardware);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(devices.allDeviceIDs().empty());
    EXPECT_FALSE(devices.defaultDevice(false));
    EXPECT_FALSE(devices.defaultDevice(true));
    EXPECT_FALSE(devices.builtInMicrophone());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);

    std::uint32_t size = 0;
    for (const AudioObjectID unknown : {noAudioObject, AudioObjectID(2), AudioObjectID(77)}) {
        EXPECT_NE(hardware.propertyDataSize(unknown, props::global(props::transportType), size), 0);
        std::optional<std::string> name;
        EXPECT_NE(hardware.stringProperty(unknown, props::global(props::name), name), 0);
    }
    const AudioObjectID id = 2;
    EXPECT_NE(hardware.setPropertyData(systemAudioObject, props::global(props::defaultInputDevice),
                                       sizeof id, &id),
              0);
}

} // namespace
} // namespace sonifix
