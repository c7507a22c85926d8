#include "PosixProcessRunner.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sonifix {

namespace {

// Pipes are made and children spawned one at a time, so that no child of ours inherits the
// write end of another child's pipe (which would hold that pipe open past its writer's end).
std::mutex spawnLock;

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions; }

private:
    posix_spawn_file_actions_t actions{};
};

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd(fd) {}
    ~Descriptor() { close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void close() {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    int fd;
};

int exitStatus(int waitStatus) {
    if (WIFEXITED(waitStatus)) {
        return WEXITSTATUS(waitStatus);
    }
    if (WIFSIGNALED(waitStatus)) {
        return WTERMSIG(waitStatus);
    }
    return -1;
}

} // namespace

ProcessResult PosixProcessRunner::run(const std::string& path,
                                      const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    Descriptor readEnd;
    pid_t child = -1;
    {
        const std::lock_guard lock(spawnLock);
        int ends[2];
        if (pipe(ends) != 0) {
            return {};
        }
        readEnd.fd = ends[0];
        Descriptor writeEnd(ends[1]);
        fcntl(readEnd.fd, F_SETFD, FD_CLOEXEC);
        fcntl(writeEnd.fd, F_SETFD, FD_CLOEXEC);

        SpawnActions actions;
        posix_spawn_file_actions_adddup2(actions.get(), writeEnd.fd, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&child, path.c_str(), actions.get(), nullptr, argv.data(), environ) != 0) {
            return {};
        }
    }

    ProcessResult result{.status = -1, .output = {}};
    char buffer[16384];
    for (;;) {
        const auto count = read(readEnd.fd, buffer, sizeof buffer);
        if (count > 0) {
            result.output.append(buffer, std::size_t(count));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    readEnd.close();

    int waitStatus = 0;
    while (waitpid(child, &waitStatus, 0) < 0) {
        if (errno != EINTR) {
            return result;
        }
    }
    result.status = exitStatus(waitStatus);
    return result;
}

} // namespace sonifix
