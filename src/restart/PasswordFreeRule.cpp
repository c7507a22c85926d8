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
    std::string text = "umask 077; t=$(/usr/bin/mktemp ";
    text += destination;
    text += ".XXXXXX) || exit; printf '%s\\n' '";
    text += rule(userName, command);
    text += "' > \"$t\" && /usr/sbin/visudo -cf \"$t\" && /usr/bin/install -o root -g ";
    text += fileGroup;
    text += " -m 0440 \"$t\" ";
    text += destination;
    text += "; s=$?; /bin/rm -f \"$t\"; exit $s";
    return text;
}

} // namespace sonifix
