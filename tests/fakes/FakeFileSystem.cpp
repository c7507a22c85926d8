#include "FakeFileSystem.h"

namespace sonifix::testing {

void FakeFileSystem::setTemporaryDirectory(std::string path) {
    const std::lock_guard lock(mutex);
    temporary = std::move(path);
}

void FakeFileSystem::put(const std::string& path, std::string content) {
    const std::lock_guard lock(mutex);
    files[path] = std::move(content);
}

void FakeFileSystem::failWrites(std::string error) {
    const std::lock_guard lock(mutex);
    writeError = std::move(error);
}

std::optional<std::string> FakeFileSystem::content(const std::string& path) const {
    const std::lock_guard lock(mutex);
    const auto found = files.find(path);
    return found == files.end() ? std::nullopt : std::optional(found->second);
}

std::vector<std::string> FakeFileSystem::written() const {
    const std::lock_guard lock(mutex);
    return writes;
}

std::vector<std::string> FakeFileSystem::removed() const {
    const std::lock_guard lock(mutex);
    return removals;
}

bool FakeFileSystem::exists(const std::string& path) {
    const std::lock_guard lock(mutex);
    return files.count(path) > 0;
}

std::string FakeFileSystem::temporaryDirectory() {
    const std::lock_guard lock(mutex);
    return temporary;
}

std::optional<std::string> FakeFileSystem::writeAtomically(const std::string& path,
                                                           const std::string& content) {
    const std::lock_guard lock(mutex);
    if (writeError) {
        return writeError;
    }
    files[path] = content;
    writes.push_back(path);
    return std::nullopt;
}

bool FakeFileSystem::remove(const std::string& path) {
    const std::lock_guard lock(mutex);
    removals.push_back(path);
    return files.erase(path) > 0;
}

} // namespace sonifix::testing
