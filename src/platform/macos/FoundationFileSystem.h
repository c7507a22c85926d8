#pragma once

#include "platform/posix/PosixFileSystem.h"

namespace sonifix {

// The POSIX file operations, with the temporary directory that Foundation gives the user
// (NSFileManager's, under /var/folders), whether or not TMPDIR is set in the environment.
class FoundationFileSystem final : public FileSystem {
public:
    bool exists(const std::string& path) override { return posix.exists(path); }
    std::string temporaryDirectory() override;
    std::optional<std::string> writeAtomically(const std::string& path,
                                               const std::string& content) override {
        return posix.writeAtomically(path, content);
    }
    bool remove(const std::string& path) override { return posix.remove(path); }

private:
    PosixFileSystem posix;
};

} // namespace sonifix
