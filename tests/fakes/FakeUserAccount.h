#pragma once

#include "platform/UserAccount.h"

namespace sonifix::testing {

class FakeUserAccount final : public UserAccount {
public:
    std::string name = "studio";

    std::string shortName() override { return name; }
};

} // namespace sonifix::testing
