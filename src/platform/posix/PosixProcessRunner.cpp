#include "PosixProcessRunner.h"

#include "ChildDescriptors.h"
#include "SpawnLock.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sonifix {

namespace {

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

class SpawnAttributes {
public:
    SpawnAttributes() { posix_spawnattr_init(&attributes); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* get() { return &attributes; }

private:
    posix_spawnattr_t attributes{};
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
                                      const std::vector<std::string>& arguments,
                                      std::chrono::milliseconds timeLimit) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeLimit;
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
        const std::lock_guard lock(spawnLock());
        int ends[2];
        if (ChildDescriptors::makePipe(ends) != 0) {
            return {};
        }
        readEnd.fd = ends[0];
        Descriptor writeEnd(ends[1]);

        SpawnActions actions;
        posix_spawn_file_actions_adddup2(actions.get(), writeEnd.fd, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        SpawnAttributes attributes;
        short flags = POSIX_SPAWN_SETPGROUP;
        ChildDescriptors::closeOthersOnSpawn(actions.get(), flags);
        posix_spawnattr_setflags(attributes.get(), flags);
        posix_spawnattr_setpgroup(attributes.get(), 0);
        if (posix_spawn(&child, path.c_str(), actions.get(), attributes.get(), argv.data(),
                        environ) != 0) {
            return {};
        }
    }

    ProcessResult result{.status = -1, .output = {}};
    // Killed as a group: a shell's children would otherwise hold the pipe open.
    const auto stopChild = [&] {
        if (!result.timedOut) {
            result.timedOut = true;
            kill(-child, SIGKILL);
        }
    };
    if (!track(child)) {
        stopChild();
    }
    char buffer[16384];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{.fd = readEnd.fd, .events = POLLIN, .revents = 0};
        if (!result.timedOut && left.count() <= 0) {
            stopChild();
        }
        // Once killed, a child's output ends at once, unless something it started left its
        // group: then the pipe is let go.
        const auto waiting = poll(&ready, 1, result.timedOut ? 200 : int(left.count()) + 1);
        if (waiting == 0 && result.timedOut) {
            break;
        }
        if (waiting == 0 || (waiting < 0 && errno == EINTR)) {
            continue;
        }
        const auto count = read(readEnd.fd, buffer, sizeof buffer);
        if (count > 0) {
            result.output.append(buffer, std::size_t(count));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    readEnd.close();

    // A child may close its output and still run on: it gets the rest of its time, no more.
    int waitStatus = 0;
    bool reaped = false;
    while (!reaped) {
        const auto found = waitpid(child, &waitStatus, WNOHANG);
        reaped = found == child;
        if (found < 0 && errno != EINTR) {
            break;
        }
        if (!result.timedOut && Clock::now() >= deadline) {
            stopChild();
        }
        if (!reaped) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    if (!untrack(child)) {
        result.timedOut = true;
    }
    result.status = result.timedOut || !reaped ? -1 : exitStatus(waitStatus);
    return result;
}

bool PosixProcessRunner::track(pid_t child) {
    const std::lock_guard lock(mutex);
    running.insert(child);
    return !cancelled;
}

bool PosixProcessRunner::untrack(pid_t child) {
    const std::lock_guard lock(mutex);
    running.erase(child);
    return !cancelled;
}

void PosixProcessRunner::cancelAll() {
    const std::lock_guard lock(mutex);
    cancelled = true;
    for (const auto child : running) {
        kill(-child, SIGKILL);
    }
}

} // namespace sonifix
