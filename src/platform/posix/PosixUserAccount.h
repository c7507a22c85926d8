#pragma once

#include "platform/UserAccount.h"

namespace sonifix {

// The login name of the real user ID, from the password database.
class PosixUserAccount final : public UserAccount {
public:
    std::string shortName() override;
};

} // namespace sonifix
