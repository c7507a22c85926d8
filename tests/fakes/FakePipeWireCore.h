#pragma once

#include "platform/PipeWireCore.h"

namespace sonifix::testing {

// A PipeWire that answers, or not, as the test says.
class FakePipeWireCore final : public PipeWireCore {
public:
    bool answers(const std::string&, std::chrono::milliseconds) override { return answering; }
    bool answering = true;
};

} // namespace sonifix::testing
