#pragma once

#include "platform/CaptureStream.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sonifix {

// Whether another app is on a call, or records from a microphone in some other way that a
// restart of the sound would cut.
class MicrophoneUse {
public:
    // The app that uses a microphone now, one on a call first; nothing when none does. Paused
    // streams, recordings of an output, this process's own streams and the level meters of the
    // desktops' volume controls do not count.
    static std::optional<std::string> otherApp(const std::vector<CaptureStream>& streams,
                                               std::int32_t ownPid);

private:
    static bool isLevelMeter(const CaptureStream& stream);
};

} // namespace sonifix
