#pragma once

#include "platform/FileSystem.h"

#include <set>

namespace sonifix::testing {

class FakeFileSystem final : public FileSystem {
public:
    bool hasContent(const std::string& path) override { return files.contains(path); }

    std::set<std::string> files;
};

} // namespace sonifix::testing
