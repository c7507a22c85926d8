#include "FakeProcessTable.h"

#include <algorithm>
#include <cerrno>

namespace sonifix::testing {

void FakeProcessTable::add(ProcessEntry process) {
    const std::lock_guard lock(mutex);
    if (process.user == 0) {
        process.user = user;
    }
    processes.push_back(std::move(process));
    std::sort(processes.begin(), processes.end(),
              [](const auto& a, const auto& b) { return a.pid < b.pid; });
}

std::vector<ProcessEntry> FakeProcessTable::find(const std::vector<std::string>& names) {
    const std::lock_guard lock(mutex);
    std::vector<ProcessEntry> found;
    for (const auto& process : processes) {
        if (std::find(names.begin(), names.end(), process.name) != names.end()) {
            found.push_back(process);
        }
    }
    return found;
}

bool FakeProcessTable::isRunning(std::int32_t pid) {
    const std::lock_guard lock(mutex);
    return std::any_of(processes.begin(), processes.end(),
                       [pid](const auto& process) { return process.pid == pid; });
}

int FakeProcessTable::signal(std::int32_t pid, Signal signal) {
    const std::lock_guard lock(mutex);
    sent.push_back((signal == Signal::kill ? "KILL " : "TERM ") + std::to_string(pid));
    const auto found = std::find_if(processes.begin(), processes.end(),
                                    [pid](const auto& process) { return process.pid == pid; });
    if (found == processes.end()) {
        return ESRCH;
    }
    if (!unkillable.contains(pid) && (signal == Signal::kill || !wedged.contains(pid))) {
        processes.erase(found);
    }
    return 0;
}

std::vector<std::string> FakeProcessTable::signals() const {
    const std::lock_guard lock(mutex);
    return sent;
}

} // namespace sonifix::testing
