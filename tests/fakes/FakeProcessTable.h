#pragma once

#include "platform/ProcessTable.h"

#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace sonifix::testing {

// Processes the test lists. A signalled process ends at once, unless it is wedged: then only
// SIGKILL ends it, or unkillable: then nothing does.
class FakeProcessTable final : public ProcessTable {
public:
    static constexpr std::uint32_t user = 1000;

    void add(ProcessEntry process);
    void wedge(std::int32_t pid) { wedged.insert(pid); }
    void makeUnkillable(std::int32_t pid) { unkillable.insert(pid); }

    std::vector<ProcessEntry> find(const std::vector<std::string>& names) override;
    bool isRunning(std::int32_t pid) override;
    int signal(std::int32_t pid, Signal signal) override;
    std::uint32_t currentUser() override { return user; }

    // "TERM 1801", "KILL 1801", in the order sent.
    std::vector<std::string> signals() const;

private:
    mutable std::mutex mutex;
    std::vector<ProcessEntry> processes;
    std::set<std::int32_t> wedged;
    std::set<std::int32_t> unkillable;
    std::vector<std::string> sent;
};

} // namespace sonifix::testing
