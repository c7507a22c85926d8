#pragma once

#include <optional>
#include <string>

namespace sonifix {

// The few file operations the app needs. Paths are absolute. Never throws: a failing write
// answers with the platform's description of what went wrong.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool exists(const std::string& path) = 0;

    // The user's temporary directory, absolute, without a trailing slash.
    virtual std::string temporaryDirectory() = 0;

    // Puts `content` at `path` all at once: either the whole new content is there afterwards,
    // or the call fails and leaves what was there before. Returns the error's text on failure.
    virtual std::optional<std::string> writeAtomically(const std::string& path,
                                                       const std::string& content) = 0;

    // Removes the file; answers whether it did.
    virtual bool remove(const std::string& path) = 0;
};

} // namespace sonifix
