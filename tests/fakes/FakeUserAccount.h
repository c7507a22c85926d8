#pragma once

#include "platform/UserAccount.h"

#include <map>

namespace sonifix::testing {

class FakeUserAccount final : public UserAccount {
public:
    std::string name = "studio";
    unsigned id = 501;
    std::map<std::string, unsigned> others = {{"root", 0}};

    std::string shortName() override { return name; }
    unsigned userId() override { return id; }
    std::optional<unsigned> userIdOf(const std::string& other) override {
        if (const auto found = others.find(other); found != others.end()) {
            return found->second;
        }
        return other == name ? std::optional(id) : std::nullopt;
    }
};

} // namespace sonifix::testing
