#pragma once

#include <optional>
#include <string>

namespace sonifix {

// The user who runs the app.
class UserAccount {
public:
    virtual ~UserAccount() = default;

    // The short login name, as the system's user database has it; empty when it has none.
    virtual std::string shortName() = 0;
    // The user ID that runs the app, and the one the user database gives `name` (none when it
    // knows no such account, or the look-up fails). Never throw.
    virtual unsigned userId() = 0;
    virtual std::optional<unsigned> userIdOf(const std::string& name) = 0;
};

} // namespace sonifix
