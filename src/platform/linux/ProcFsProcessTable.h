#pragma once

#include "platform/ProcessTable.h"

namespace sonifix {

// The process table as Linux shows it under /proc: a process's name and parent from its `stat`,
// its owner from the directory's owner, its command line and control group from the files of
// those names. Only processes whose name matches are read further.
class ProcFsProcessTable final : public ProcessTable {
public:
    explicit ProcFsProcessTable(std::string root = "/proc") : root(std::move(root)) {}

    std::vector<ProcessEntry> find(const std::vector<std::string>& names) override;
    bool isRunning(std::int32_t pid) override;
    int signal(std::int32_t pid, Signal signal) override;
    std::uint32_t currentUser() override;

private:
    const std::string root;
};

} // namespace sonifix
