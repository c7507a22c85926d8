#pragma once

#include <string>

namespace sonifix {

// What the app asks of files: only whether one is there. Paths are absolute. Never throws.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool exists(const std::string& path) = 0;
};

} // namespace sonifix
