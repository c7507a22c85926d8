#pragma once

#include "platform/SoundServerProbe.h"

namespace sonifix::testing {

// A server that answers with the name the test gives, or, once frozen, not at all.
class FakeSoundServerProbe final : public SoundServerProbe {
public:
    std::optional<std::string> serverName(std::chrono::milliseconds) override {
        return frozen ? std::nullopt : std::optional(name);
    }
    std::optional<std::string> lastServerName() override { return name; }

    std::string name;
    bool frozen = false;
};

} // namespace sonifix::testing
