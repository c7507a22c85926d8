#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

// A sudoers line read the way sudoers' grammar reads a User_Spec, "User_List Host_List
// = Cmnd_Spec_List", only as far as the question: which one user does it grant? Nothing when the
// line starts another kind of entry (Defaults, an alias definition), or when its user list is
// not exactly one plain user name: a list, a negation, a group (%), a netgroup (+), a user ID
// (#), ALL, or an alias (a capital, then capitals, digits and '_').
class SudoersUserSpec {
public:
    struct Grant {
        std::string user;
        std::string rest; // from the blank after the user list to the end
    };

    static std::optional<Grant> read(std::string_view line) {
        static constexpr std::array<std::string_view, 6> entries = {
            "Defaults", "User_Alias", "Runas_Alias", "Host_Alias", "Cmnd_Alias", "Cmd_Alias"};
        const auto end = line.find_first_of(" \t");
        const auto first = line.substr(0, end);
        const auto startsEntry = [&](std::string_view keyword) {
            return first.starts_with(keyword) &&
                   (first.size() == keyword.size() ||
                    std::string_view(":@!>").find(first[keyword.size()]) != std::string_view::npos);
        };
        if (end == std::string_view::npos || first.empty() ||
            std::any_of(entries.begin(), entries.end(), startsEntry)) {
            return std::nullopt;
        }
        // Outside a word sudoers takes these as its own punctuation, or as escapes and comments.
        if (first.find_first_of(",:=()!\\#\"'") != std::string_view::npos ||
            std::string_view("%+#!").find(first.front()) != std::string_view::npos) {
            return std::nullopt;
        }
        const auto aliasPart = [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        };
        if (first.front() >= 'A' && first.front() <= 'Z' &&
            std::all_of(first.begin(), first.end(), aliasPart)) {
            return std::nullopt; // ALL is one of these
        }
        return Grant{std::string(first), std::string(line.substr(end))};
    }
};
