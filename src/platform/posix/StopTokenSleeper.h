#pragma once

#include "platform/Sleeper.h"

namespace sonifix {

class StopTokenSleeper final : public Sleeper {
public:
    bool sleep(std::chrono::nanoseconds duration, StopToken stop) override;
};

} // namespace sonifix
