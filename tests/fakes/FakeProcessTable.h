#pragma once

#include "platform/ProcessTable.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>

namespace sonifix::testing {

// Processes the test lists. A signalled process ends at once, unless it is wedged: then only
// SIGKILL ends it, or unkillable: then nothing does.
class FakeProcessTable final : public ProcessTable {
public:
    static constexpr std::uint32_t user = 1000;

    void add(ProcessEntry process) {
        process.user = process.user ? process.user : user;
        processes[process.pid] = std::move(process);
    }

    std::vector<ProcessEntry> find(const std::vector<std::string>& names) override {
        std::vector<ProcessEntry> found;
        for (const auto& [pid, process] : processes) {
            if (std::find(names.begin(), names.end(), process.name) != names.end()) {
                found.push_back(process);
            }
        }
        return found;
    }
    bool isRunning(std::int32_t pid) override { return processes.contains(pid); }
    int signal(std::int32_t pid, Signal signal) override {
        signals.push_back((signal == Signal::kill ? "KILL " : "TERM ") + std::to_string(pid));
        if (!processes.contains(pid)) {
            return ESRCH;
        }
        if (!unkillable.contains(pid) && (signal == Signal::kill || !wedged.contains(pid))) {
            processes.erase(pid);
        }
        return 0;
    }
    std::optional<ProgramLaunch> launchOf(std::int32_t pid) override {
        if (!processes.contains(pid)) {
            return std::nullopt;
        }
        const auto found = launches.find(pid);
        return found != launches.end() ? found->second
                                       : ProgramLaunch{.arguments = processes[pid].arguments};
    }
    bool isListening(const std::string& path) override { return listening.contains(path); }
    std::uint32_t currentUser() override { return user; }

    std::map<std::int32_t, ProcessEntry> processes;
    std::set<std::int32_t> wedged;
    std::set<std::int32_t> unkillable;
    std::map<std::int32_t, ProgramLaunch>
        launches;                     // how a process was started, as the system tells
    std::set<std::string> listening;  // paths something listens at
    std::vector<std::string> signals; // "TERM 1801", "KILL 1801", in the order sent
};

} // namespace sonifix::testing
