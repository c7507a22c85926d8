#pragma once

#include <stdexcept>
#include <string>

namespace sonifix {

// The newsletter service turned the address down; what() is the text the user reads.
class SubscribeRefused : public std::runtime_error {
public:
    static constexpr auto domain = "Sonifix";
    static constexpr int code = 1;

    explicit SubscribeRefused(const std::string& message) : std::runtime_error(message) {}
};

} // namespace sonifix
