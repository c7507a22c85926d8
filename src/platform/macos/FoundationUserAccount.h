#pragma once

#include "platform/UserAccount.h"

namespace sonifix {

// NSUserName: the short login name of the user the app runs for; user IDs from the user
// database.
class FoundationUserAccount final : public UserAccount {
public:
    std::string shortName() override;
    unsigned userId() override;
    std::optional<unsigned> userIdOf(const std::string& name) override;
};

} // namespace sonifix
