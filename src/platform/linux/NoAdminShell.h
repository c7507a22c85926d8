#pragma once

#include "platform/AdminShell.h"

namespace sonifix {

// The user's own sound server never needs root, so there is no administrator prompt to show;
// should anything ask for one, it is told so.
class NoAdminShell final : public AdminShell {
public:
    AdminScriptResult run(const std::string& /*script*/) override {
        return {.made = true,
                .error = ScriptError{.number = std::nullopt,
                                     .message = "This system has no administrator prompt."}};
    }
};

} // namespace sonifix
