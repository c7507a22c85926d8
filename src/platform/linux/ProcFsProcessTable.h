#pragma once

#include "platform/ProcessTable.h"

#include <set>

namespace sonifix {

// The process table as Linux shows it under /proc, and the local sockets as the kernel's socket
// diagnostics report them: a process's name from the file its `exe` link reaches, its parent and
// start from its `stat`, its owner from its `status`, its command line from `cmdline`; which socket
// a process holds from the links in its `fd` folder.
class ProcFsProcessTable final : public ProcessTable {
public:
    explicit ProcFsProcessTable(std::string root = "/proc") : root(std::move(root)) {}

    std::optional<ProcessEntry> process(std::int32_t pid) override;
    std::optional<std::int32_t> listenerOf(const std::string& path) override;
    std::vector<std::int32_t> holdersOf(const std::string& path) override;
    std::vector<std::int32_t> clientsOf(std::int32_t pid) override;
    std::unique_ptr<HeldProcess> hold(const ProcessEntry& entry) override;
    bool isListening(const std::string& path) override;
    std::uint32_t currentUser() override;

    // The running processes whose program file has one of `names`, by ascending process ID.
    std::vector<ProcessEntry> find(const std::vector<std::string>& names);

private:
    // The processes of this user (but `except`) that hold one of the sockets `inodes`.
    std::vector<std::int32_t> holdersOfSockets(const std::set<std::uint64_t>& inodes,
                                               std::int32_t except = 0);
    std::set<std::uint64_t> socketsOf(const std::string& processFolder);

    const std::string root;
};

} // namespace sonifix
