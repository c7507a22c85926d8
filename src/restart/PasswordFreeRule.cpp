#include "PasswordFreeRule.h"

#include <algorithm>

namespace sonifix {

bool PasswordFreeRule::isAcceptableUserName(std::string_view name) {
    const auto allowed = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '_' || c == '-';
    };
    return !name.empty() && std::all_of(name.begin(), name.end(), allowed);
}

std::string PasswordFreeRule::line(std::string_view userName, std::string_view command) {
    std::string text(userName);
    text += " ALL=(root) NOPASSWD: ";
    text += command;
    text += '\n';
    return text;
}

std::string PasswordFreeRule::installCommandLine(std::string_view temporaryPath) {
    std::string text = "/usr/sbin/visudo -cf '";
    text += temporaryPath;
    text += "' && /usr/bin/install -o root -g wheel -m 0440 '";
    text += temporaryPath;
    text += "' ";
    text += path;
    return text;
}

} // namespace sonifix
