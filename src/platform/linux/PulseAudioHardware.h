#pragma once

#include "platform/AudioHardware.h"
#include "platform/CaptureStreams.h"
#include "platform/MainQueue.h"
#include "platform/SoundServerProbe.h"

#include <chrono>
#include <compare>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace sonifix {

// The audio hardware port over libpulse, which speaks to PulseAudio and to PipeWire's PulseAudio
// bridge alike. Sinks and the sources that are not monitors are the devices; the server's
// default sink and source are the default output and input.
//
// A device keeps its identifier for as long as this object lives, across queries and across
// restarts of the server, because the identifier stands for the device's name on the server
// (whose own indexes change with every restart). Identifiers start at 2: 0 is no object and 1
// the system object.
//
// One connection to the server serves every thread; each read waits for its answer at most
// `queryTimeout` (a stopped server never answers), on the main thread far less, and reports a
// read that runs out as a failure. When the server goes away the connection is made again, at once
// when a read needs it and otherwise after a pause that grows to a second, so nothing spins while
// there is no server.
class PulseAudioHardware final : public AudioHardware,
                                 public SoundServerProbe,
                                 public CaptureStreams {
public:
    struct Options {
        // The server to talk to, in libpulse's notation ("unix:/run/user/1000/pulse/native");
        // empty for the user's own server, found as libpulse finds it.
        std::string server;
        std::chrono::milliseconds queryTimeout{500};
        // On the main thread, which draws the menu: a server that does not answer at once is
        // taken as frozen, and not asked again until it has answered something.
        std::chrono::milliseconds mainThreadQueryTimeout{50};
    };

    explicit PulseAudioHardware(MainQueue& mainQueue) : PulseAudioHardware(mainQueue, Options{}) {}
    PulseAudioHardware(MainQueue& mainQueue, Options options);
    ~PulseAudioHardware() override;

    PulseAudioHardware(const PulseAudioHardware&) = delete;
    PulseAudioHardware& operator=(const PulseAudioHardware&) = delete;

    HardwareStatus propertyDataSize(AudioObjectID object, const PropertyAddress& address,
                                    std::uint32_t& size) override;
    HardwareStatus propertyData(AudioObjectID object, const PropertyAddress& address,
                                std::uint32_t& size, void* data) override;
    HardwareStatus stringProperty(AudioObjectID object, const PropertyAddress& address,
                                  std::optional<std::string>& value) override;
    HardwareStatus setPropertyData(AudioObjectID object, const PropertyAddress& address,
                                   std::uint32_t size, const void* data) override;
    HardwareStatus addPropertyListener(AudioObjectID object, const PropertyAddress& address,
                                       const PropertyListener& listener) override;
    HardwareStatus removePropertyListener(AudioObjectID object, const PropertyAddress& address,
                                          const PropertyListener& listener) override;

    std::optional<std::string> serverName(std::chrono::milliseconds deadline) override;
    std::optional<std::string> lastServerName() override;

    // The process IDs of the programs playing through the server now (its sink inputs' own
    // word for them); nothing when the server does not answer. Any thread.
    std::optional<std::vector<std::int32_t>> playbackProcesses();

    // The source outputs, with the word of their own properties for who made them and why.
    std::optional<std::vector<CaptureStream>> captureStreams() override;

    // The HAL transport code that a device's properties describe: its bus first ("bluetooth",
    // "usb", "pci"…), then its form factor and the marks of a virtual device; 0 when they do not
    // say.
    static std::uint32_t transportType(const std::map<std::string, std::string>& properties);

private:
    class Connection;
    struct Listeners;
    enum class Kind { sink, source };
    struct DeviceKey {
        Kind kind;
        std::string name;
        friend auto operator<=>(const DeviceKey&, const DeviceKey&) = default;
    };

    AudioObjectID idOf(const DeviceKey& key);
    std::optional<DeviceKey> keyOf(AudioObjectID id);
    HardwareStatus deviceIDs(std::vector<AudioObjectID>& ids);
    HardwareStatus defaultID(Kind kind, AudioObjectID& id);
    // On libpulse's thread: the server's name and defaults as it now reports them.
    void serverSeen(const std::string& name, const std::string& sink, const std::string& source);
    void defaultChanged(Kind kind);
    // Runs the listeners of the selector on the main thread; any thread.
    void notify(std::uint32_t selector);

    MainQueue& mainQueue;
    std::mutex registryMutex;
    std::map<DeviceKey, AudioObjectID> ids;
    std::vector<DeviceKey> keys; // keys[id - firstID]
    std::shared_ptr<Listeners> listeners;
    // The last real defaults seen, touched only on libpulse's thread.
    std::optional<std::string> lastSink;
    std::optional<std::string> lastSource;
    std::mutex nameMutex;
    std::optional<std::string> lastName;
    // Last, so that its thread, which calls back into this object, ends first.
    std::unique_ptr<Connection> connection;
};

} // namespace sonifix
