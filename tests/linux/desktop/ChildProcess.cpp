#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonifix::testing {

namespace {

pid_t spawn(const std::vector<std::string>& arguments, int outputFd) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    // Error pipe: closed by a successful exec, written with errno by a failed one.
    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0) {
        return -1;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A test that dies halfway (a sanitizer stops it at its first report) must not leave a
        // display or a bus daemon behind.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, 0);
        ::dup2(outputFd >= 0 ? outputFd : devNull, 1);
        // Their chatter about fonts and sockets is not the tests' business.
        ::dup2(devNull, 2);
        ::execvp(argv[0], argv.data());
        const int error = errno;
        [[maybe_unused]] const auto written = ::write(status[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(status[1]);
    int error = 0;
    const bool failed = pid > 0 && ::read(status[0], &error, sizeof error) == sizeof error;
    ::close(status[0]);
    if (failed) {
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
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

std::unique_ptr<ChildProcess> ChildProcess::start(const std::vector<std::string>& arguments) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return nullptr;
    }
    const pid_t pid = spawn(arguments, pipeFds[1]);
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        return nullptr;
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, pipeFds[0]));
}

int ChildProcess::run(const std::vector<std::string>& arguments) {
    const pid_t pid = spawn(arguments, -1);
    return pid < 0 ? -1 : waitFor(pid);
}

bool ChildProcess::installed(const std::string& program) {
    return run({"sh", "-c", "command -v \"$0\"", program}) == 0;
}

ChildProcess::~ChildProcess() {
    if (output >= 0) {
        ::close(output);
    }
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        waitFor(pid);
    }
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto end = buffered.find('\n');
        if (end != std::string::npos) {
            auto line = buffered.substr(0, end);
            buffered.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{output, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, int(left.count())) <= 0) {
            return std::nullopt;
        }
        char chunk[256];
        const auto got = ::read(output, chunk, sizeof chunk);
        if (got <= 0) {
            return std::nullopt;
        }
        buffered.append(chunk, std::size_t(got));
    }
}

} // namespace sonifix::testing
