#pragma once

#include "platform/FileSystem.h"

#include <optional>

namespace sonifix {

class PosixFileSystem final : public FileSystem {
public:
    bool hasContent(const std::string& path) override;
    // Puts `content` at `path` all at once: a temporary file beside the target, written, flushed
    // to disk and renamed over it; on failure what was there stays. Answers the error's text.
    std::optional<std::string> writeAtomically(const std::string& path, const std::string& content);
};

} // namespace sonifix
