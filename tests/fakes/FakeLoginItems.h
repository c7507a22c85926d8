#pragma once

#include "platform/LoginItems.h"

namespace sonifix::testing {

class FakeLoginItems final : public LoginItems {
public:
    int status() override { return current; }

    int current = notRegistered;
};

} // namespace sonifix::testing
