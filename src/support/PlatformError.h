#pragma once

#include <stdexcept>
#include <string>

namespace sonifix {

// A failure reported by the platform (a file that could not be written, a request that did not
// reach its server), carried unchanged: what() is the platform's own text, which the user reads.
class PlatformError : public std::runtime_error {
public:
    explicit PlatformError(const std::string& description) : std::runtime_error(description) {}
};

} // namespace sonifix
