#pragma once

#include "platform/UserAccount.h"

namespace sonifix {

// The login name of the real user ID, from the password database.
class PosixUserAccount final : public UserAccount {
public:
    std::string shortName() override;
    unsigned userId() override;
    std::optional<unsigned> userIdOf(const std::string& name) override;
};

} // namespace sonifix
