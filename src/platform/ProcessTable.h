#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonifix {

struct ProcessEntry {
    std::int32_t pid = 0;
    std::int32_t parent = 0;
    std::uint32_t user = 0;             // the real user ID
    std::string name;                   // the system's short name of the process
    std::vector<std::string> arguments; // its command line, the program first
    // The control group it runs in ("/user.slice/…/app.slice/pipewire.service"); empty when the
    // system does not say.
    std::string controlGroup;
};

// The system's running processes, read directly rather than through a lister program. Any
// thread; never throws.
class ProcessTable {
public:
    enum class Signal { terminate, kill };

    virtual ~ProcessTable() = default;

    // The processes, running now, whose name is one of `names`, by ascending process ID. A
    // process that has ended but not yet been reaped is not running.
    virtual std::vector<ProcessEntry> find(const std::vector<std::string>& names) = 0;

    virtual bool isRunning(std::int32_t pid) = 0;

    // Sends the signal; 0 when it was sent, the system's error number otherwise.
    virtual int signal(std::int32_t pid, Signal signal) = 0;

    // This process's real user ID.
    virtual std::uint32_t currentUser() = 0;
};

} // namespace sonifix
