#pragma once

#include "platform/FileSystem.h"

namespace sonifix {

class PosixFileSystem final : public FileSystem {
public:
    bool exists(const std::string& path) override;
    // $TMPDIR (the per-user folder on macOS), else /tmp.
    std::string temporaryDirectory() override;
    // A temporary file beside the target, written, flushed to disk and renamed over it.
    std::optional<std::string> writeAtomically(const std::string& path,
                                               const std::string& content) override;
    bool remove(const std::string& path) override;
};

} // namespace sonifix
