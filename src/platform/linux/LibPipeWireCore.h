#pragma once

#include "platform/PipeWireCore.h"

namespace sonifix {

// The round trip through libpipewire: a connection of its own, on a loop of its own, made and
// closed for each question, so that a server that hangs keeps nothing of the app's.
class LibPipeWireCore final : public PipeWireCore {
public:
    bool answers(const std::string& socketPath, std::chrono::milliseconds deadline) override;
};

} // namespace sonifix
