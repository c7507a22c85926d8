#include "SudoersUserSpec.h"
#include "restart/PasswordFreeRule.h"

#include <cstdint>
#include <cstdlib>
#include <regex>

// The name goes into a file that sudo trusts. It is accepted exactly when the whole name matches
// ^[A-Za-z0-9._-]+$ (bytes outside ASCII and NULs included) and the rule made for it, read as
// sudoers reads it, grants that one user and nobody else the one command.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using sonifix::PasswordFreeRule;
    const std::string name(reinterpret_cast<const char*>(data), size);
    static const std::regex pattern("[A-Za-z0-9._-]+");
    const auto grant = SudoersUserSpec::read(PasswordFreeRule::rule(name, "/usr/bin/killall x"));
    const bool onlyThisUser =
        grant && grant->user == name && grant->rest == " ALL=(root) NOPASSWD: /usr/bin/killall x";
    if (PasswordFreeRule::isAcceptableUserName(name) !=
        (std::regex_match(name, pattern) && onlyThisUser)) {
        std::abort();
    }
    return 0;
}
