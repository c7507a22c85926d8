#pragma once

#include <string>
#include <string_view>

namespace sonifix {

// The sudoers drop-in that lets one user run exactly the daemon's kill command as root without
// a password. Only its existence is ever tested; nothing reads it back.
class PasswordFreeRule {
public:
    static constexpr std::string_view path = "/etc/sudoers.d/sonifix";
    static constexpr std::string_view removeCommandLine = "/bin/rm -f /etc/sudoers.d/sonifix";

    // Only these names are written into a file that sudo trusts: ASCII letters, digits, '.',
    // '_' and '-', at least one of them.
    static bool isAcceptableUserName(std::string_view name);

    // The whole file: one sudoers rule for the user, and a line feed.
    static std::string line(std::string_view userName, std::string_view command);

    // Checks the file at `temporaryPath` with visudo and only then installs it as root:wheel
    // 0440. The path is quoted, not escaped: callers refuse paths holding a single quote.
    static std::string installCommandLine(std::string_view temporaryPath);
};

} // namespace sonifix
