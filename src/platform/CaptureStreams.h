#pragma once

#include "CaptureStream.h"

#include <optional>
#include <vector>

namespace sonifix {

// The streams that record from the sound server's inputs now, whoever made them. Any thread;
// blocks until the server answers, or its time-out; never throws.
class CaptureStreams {
public:
    virtual ~CaptureStreams() = default;

    // Nothing when the server does not answer.
    virtual std::optional<std::vector<CaptureStream>> captureStreams() = 0;
};

} // namespace sonifix
