#pragma once

#include <string>

namespace sonifix {

class UuidSource {
public:
    virtual ~UuidSource() = default;

    // A new random (version 4) UUID as 36 characters: upper-case hexadecimal digits in groups
    // of 8, 4, 4, 4 and 12, joined by hyphens.
    virtual std::string makeUuid() = 0;
};

} // namespace sonifix
