#pragma once

#include <string>

namespace sonifix {

// The user who runs the app.
class UserAccount {
public:
    virtual ~UserAccount() = default;

    // The short login name, as the system's user database has it; empty when it has none.
    virtual std::string shortName() = 0;
};

} // namespace sonifix
