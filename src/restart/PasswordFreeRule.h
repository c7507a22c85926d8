#pragma once

#include <string>
#include <string_view>

namespace sonifix {

// The sudoers drop-in that lets one user run exactly the daemon's kill command as root without
// a password. Only its existence is ever tested; nothing reads it back.
class PasswordFreeRule {
public:
    static constexpr std::string_view path = "/etc/sudoers.d/sonifix";
    static constexpr std::string_view group = "wheel";
    static constexpr std::string_view removeCommandLine = "/bin/rm -f /etc/sudoers.d/sonifix";

    // Only these names are written into a file that sudo trusts: ASCII letters, digits, '.',
    // '_' and '-', at least one of them, and not a word that sudoers reads as anything but one
    // user's name (an alias, "ALL", the start of another kind of entry).
    static bool isAcceptableUserName(std::string_view name);

    // The file's one line, without its line feed.
    static std::string rule(std::string_view userName, std::string_view command);

    // The root command that installs the rule. Root reads nothing the user can write, not even
    // the environment: in a shell started afresh it makes its own temporary file beside the
    // destination (sudo skips names holding a '.'), writes the rule from this very line, checks
    // it with visudo, only then gives it owner root, `fileGroup` and mode 0440 and renames it
    // over the destination, and removes the temporary file whatever happened, ending with the
    // status of the first step that failed. `userName` must be acceptable, so that it can stand
    // between quotes; `destination` and `fileGroup` are plain words.
    static std::string installCommandLine(std::string_view userName, std::string_view command,
                                          std::string_view destination = path,
                                          std::string_view fileGroup = group);
};

} // namespace sonifix
