#pragma once

#include "platform/UuidSource.h"

namespace sonifix {

// Version 4 UUIDs from the system's random device.
class RandomUuidSource final : public UuidSource {
public:
    std::string makeUuid() override;
};

} // namespace sonifix
