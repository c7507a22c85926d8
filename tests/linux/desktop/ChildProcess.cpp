#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonifix::testing {

namespace {

pid_t spawnTo(const std::vector<std::string>& arguments, int output) {
    const auto program = ChildProcess::find(arguments.at(0));
    if (!program) {
        return 0;
    }
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Between fork and exec: only calls that are safe there.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        const int nothing = ::open("/dev/null", O_RDWR);
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(output >= 0 ? output : nothing, STDOUT_FILENO);
        ::dup2(output >= 0 ? output : nothing, STDERR_FILENO);
        // An inherited pipe would keep another child's reader waiting for an end that never comes.
        ::close_range(3, ~0U, 0);
        ::execv(program->c_str(), argv.data());
        ::_exit(127);
    }
    return pid > 0 ? pid : 0;
}

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::optional<std::string> ChildProcess::find(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char* path = std::getenv("PATH");
    std::stringstream directories(path ? path : "/usr/local/bin:/usr/bin:/bin");
    for (std::string directory; std::getline(directories, directory, ':');) {
        const auto candidate = std::filesystem::path(directory) / program;
        if (!directory.empty() && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
    }
    return std::nullopt;
}

pid_t ChildProcess::spawn(const std::vector<std::string>& arguments, const std::string& log) {
    const int output =
        log.empty() ? -1 : ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const auto pid = spawnTo(arguments, output);
    if (output >= 0) {
        ::close(output);
    }
    return pid;
}

int ChildProcess::run(const std::vector<std::string>& arguments) {
    const auto pid = spawn(arguments);
    return pid ? waitFor(pid) : -1;
}

std::string ChildProcess::output(const std::vector<std::string>& arguments) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return {};
    }
    const auto pid = spawnTo(arguments, ends[1]);
    ::close(ends[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t count; (count = ::read(ends[0], buffer, sizeof buffer)) != 0;) {
        if (count > 0) {
            text.append(buffer, std::size_t(count));
        } else if (errno != EINTR) {
            break;
        }
    }
    ::close(ends[0]);
    if (pid) {
        waitFor(pid);
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

} // namespace sonifix::testing
