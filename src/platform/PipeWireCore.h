#pragma once

#include <chrono>
#include <string>

namespace sonifix {

// Asks a PipeWire server itself, not a program in front of it, whether it answers. Any thread;
// never throws.
class PipeWireCore {
public:
    virtual ~PipeWireCore() = default;

    // Whether the server that takes connections at `socketPath` finishes a round trip (a core
    // sync) within `deadline`.
    virtual bool answers(const std::string& socketPath, std::chrono::milliseconds deadline) = 0;
};

} // namespace sonifix
