#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace sonifix::testing {

// A helper program the tests start (a virtual display, a bus daemon) and stop by its PID when
// they are done, with its standard output readable line by line.
class ChildProcess {
public:
    // Nothing when the program could not be started (it is not installed).
    static std::unique_ptr<ChildProcess> start(const std::vector<std::string>& arguments);
    // Runs a program to its end; its exit status, or -1.
    static int run(const std::vector<std::string>& arguments);
    // Whether a program of that name is on the PATH.
    static bool installed(const std::string& program);

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // The next line it prints, without its line feed; nothing if it prints none in time.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);

private:
    ChildProcess(pid_t pid, int output) : pid(pid), output(output) {}

    pid_t pid = -1;
    int output = -1;
    std::string buffered;
};

} // namespace sonifix::testing
