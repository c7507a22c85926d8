#pragma once

#include <string>

namespace sonifix {

// What the app asks of files: only whether one is there with something in it, read from the
// folder without opening the file (an empty file, as a write cut short leaves, counts as none).
// Paths are absolute. Never throws.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool hasContent(const std::string& path) = 0;
};

} // namespace sonifix
