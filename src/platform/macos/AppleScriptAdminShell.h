#pragma once

#include "platform/AdminShell.h"

namespace sonifix {

// Runs the core's `do shell script ... with administrator privileges` source with NSAppleScript,
// which shows the system's authorisation prompt.
class AppleScriptAdminShell final : public AdminShell {
public:
    AdminScriptResult run(const std::string& script) override;
};

} // namespace sonifix
