#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sonifix {

// What a script reported when it failed. Either part may be missing, or of a type that is not
// the expected one, in which case the adapter leaves it empty.
struct ScriptError {
    std::optional<std::int64_t> number;
    std::optional<std::string> message;
};

struct AdminScriptResult {
    bool made = true;                 // false when the script could not even be compiled
    std::optional<ScriptError> error; // present when the script ran and failed
};

// Runs one privileged request after an administrator has authenticated in the system's own
// prompt. `script` is the request in the platform's script language, built by the core (on
// macOS, AppleScript `do shell script ... with administrator privileges`). Called on the main
// thread, which it blocks while the prompt and the command run. Never throws.
class AdminShell {
public:
    virtual ~AdminShell() = default;

    virtual AdminScriptResult run(const std::string& script) = 0;
};

} // namespace sonifix
