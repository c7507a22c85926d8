#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sonifix::testing {

// How the tests start other programs: found on the PATH, in this process's environment, with
// nothing of the test process inherited but that, and killed when the thread that started them
// ends, so that a test that dies halfway leaves nothing behind.
class ChildProcess {
public:
    // Its PID, or 0 when it could not be started; its output goes to `log` (or nowhere).
    static pid_t spawn(const std::vector<std::string>& arguments, const std::string& log = {});
    // Runs a program to its end: its exit status, or -1.
    static int run(const std::vector<std::string>& arguments);
    // Runs a program to its end: what it printed, without the final line feeds.
    static std::string output(const std::vector<std::string>& arguments);
    // Where a program is found on the PATH.
    static std::optional<std::string> find(const std::string& program);
    static bool installed(const std::string& program) { return find(program).has_value(); }
};

} // namespace sonifix::testing
