#include "restart/PasswordFreeRule.h"

#include <cstdint>
#include <cstdlib>
#include <regex>

// The name goes into a file that sudo trusts: accepted exactly when the whole name matches
// ^[A-Za-z0-9._-]+$, bytes outside ASCII and NULs included.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name(reinterpret_cast<const char*>(data), size);
    static const std::regex pattern("[A-Za-z0-9._-]+");
    if (sonifix::PasswordFreeRule::isAcceptableUserName(name) != std::regex_match(name, pattern)) {
        std::abort();
    }
    return 0;
}
