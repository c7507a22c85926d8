#pragma once

#include "platform/UserAccount.h"

namespace sonifix {

// NSUserName: the short login name of the user the app runs for.
class FoundationUserAccount final : public UserAccount {
public:
    std::string shortName() override;
};

} // namespace sonifix
