#pragma once

#include "platform/FileSystem.h"

#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace sonifix::testing {

// Files in memory. Existence alone can be faked for paths the app only tests.
class FakeFileSystem final : public FileSystem {
public:
    void setTemporaryDirectory(std::string path);
    void put(const std::string& path, std::string content = {});
    // The next writes fail with this text.
    void failWrites(std::string error);
    std::optional<std::string> content(const std::string& path) const;
    std::vector<std::string> written() const;
    std::vector<std::string> removed() const;

    bool exists(const std::string& path) override;
    std::string temporaryDirectory() override;
    std::optional<std::string> writeAtomically(const std::string& path,
                                               const std::string& content) override;
    bool remove(const std::string& path) override;

private:
    mutable std::mutex mutex;
    std::string temporary = "/private/var/folders/xy/T";
    std::map<std::string, std::string> files;
    std::optional<std::string> writeError;
    std::vector<std::string> writes;
    std::vector<std::string> removals;
};

} // namespace sonifix::testing
