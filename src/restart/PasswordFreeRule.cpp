#include "PasswordFreeRule.h"

#include <algorithm>
#include <array>

namespace sonifix {

bool PasswordFreeRule::isAcceptableUserName(std::string_view name) {
    const auto allowed = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '_' || c == '-';
    };
    if (name.empty() || !std::all_of(name.begin(), name.end(), allowed)) {
        return false;
    }
    // sudoers reads a word of capitals, digits and '_' that starts with a capital as an alias
    // ("ALL" among them: every user), never as a user; and these words start other entries.
    const auto aliasPart = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    };
    if (name.front() >= 'A' && name.front() <= 'Z' &&
        std::all_of(name.begin(), name.end(), aliasPart)) {
        return false;
    }
    static constexpr std::array<std::string_view, 6> keywords = {
        "Defaults", "User_Alias", "Runas_Alias", "Host_Alias", "Cmnd_Alias", "Cmd_Alias"};
    return std::find(keywords.begin(), keywords.end(), name) == keywords.end();
}

std::string PasswordFreeRule::rule(std::string_view userName, std::string_view command) {
    std::string text(userName);
    text += " ALL=(root) NOPASSWD: ";
    text += command;
    return text;
}

std::string PasswordFreeRule::installCommandLine(std::string_view userName,
                                                 std::string_view command,
                                                 std::string_view destination,
                                                 std::string_view fileGroup) {
    // The root shell starts with the user's environment, and a shell that imports functions
    // or reads startup files from it would run them as root: the work happens in a shell with
    // nothing but a PATH of the system's own folders. Inside it the name and rule stand
    // between double quotes, which an acceptable name cannot end.
    std::string text = "/usr/bin/env -i PATH=/usr/bin:/bin:/usr/sbin:/sbin /bin/sh -c '"
                       "umask 077; t=$(/usr/bin/mktemp ";
    text += destination;
    // printf's own program, not the shell's: it reports a write the disk had no room for.
    text += ".XXXXXX) || exit; /usr/bin/printf \"%s\\n\" \"";
    text += rule(userName, command);
    // Owner and mode are set on the checked file, which then takes the old rule's place in one
    // rename: a failure at any step leaves the old rule whole.
    text += "\" > \"$t\" && /usr/sbin/visudo -cf \"$t\" && chown root:";
    text += fileGroup;
    text += " \"$t\" && /bin/chmod 0440 \"$t\" && /bin/mv -f \"$t\" ";
    text += destination;
    text += "; s=$?; /bin/rm -f \"$t\"; exit $s'";
    return text;
}

} // namespace sonifix
