#pragma once

#include "audio/AudioDevices.h"
#include "audio/TroubleDetector.h"
#include "platform/Platform.h"
#include "platform/SoundServerProbe.h"
#include "support/StopSource.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace sonifix {

// Watches whether the sound server still answers, but only while the default output plays: then
// a worker asks the server again and again, and the detector hears every answer and every
// silence on the main thread. While nothing plays nothing runs; the output's own change of state
// wakes it. Main thread only. Owned by a shared_ptr: the worker and the listeners hold it weakly.
class ServerWatch : public std::enable_shared_from_this<ServerWatch> {
public:
    // The pause between two answered probes: a server that hangs is then found within two probe
    // time-outs and this.
    static constexpr std::chrono::milliseconds probeInterval{500};

    using Seen = std::function<void(const std::vector<SoundTrouble>&)>;

    // `seen` hears the troubles after every probe; `inputChanged` when what records from the
    // default input may have changed.
    ServerWatch(Platform& platform, SoundServerProbe& probe, Seen seen,
                std::function<void()> inputChanged);
    ~ServerWatch();
    ServerWatch(const ServerWatch&) = delete;
    ServerWatch& operator=(const ServerWatch&) = delete;

    void start();
    // While the app itself restarts the server, its absence is no trouble.
    void pause();
    void resume();

    bool probing() const { return stop.has_value(); }
    // Whether something records from the default input now.
    bool inputRunning();

private:
    // A default device whose running state is listened to.
    struct Watched {
        AudioObjectID id = noAudioObject;
        PropertyListener listener;
    };

    void defaultsChanged();
    void watch(Watched& watched, bool input);
    void update();
    void heard(bool answered);
    void stopProbing();

    Platform& platform;
    SoundServerProbe& probe;
    Seen seen;
    std::function<void()> inputChanged;
    AudioDevices devices;
    TroubleDetector detector;
    bool paused = false;
    Watched output;
    Watched input;
    std::optional<StopSource> stop;
};

} // namespace sonifix
