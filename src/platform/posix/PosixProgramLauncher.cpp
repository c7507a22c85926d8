#include "PosixProgramLauncher.h"

#include "ChildDescriptors.h"
#include "SpawnLock.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace sonifix {

namespace {

std::optional<std::string> variable(const ProgramLaunch& launch, std::string_view name) {
    if (!launch.environment) {
        const char* value = std::getenv(std::string(name).c_str());
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    for (const auto& entry : *launch.environment) {
        if (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=') {
            return entry.substr(name.size() + 1);
        }
    }
    return std::nullopt;
}

bool isExecutableFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> resolved(const ProgramLaunch& launch) {
    if (launch.program.find('/') != std::string::npos) {
        return isExecutableFile(launch.program) ? std::optional(launch.program) : std::nullopt;
    }
    std::stringstream directories(
        variable(launch, "PATH").value_or("/usr/local/bin:/usr/bin:/bin"));
    std::string directory;
    while (std::getline(directories, directory, ':')) {
        if (!directory.empty() && isExecutableFile(directory + "/" + launch.program)) {
            return directory + "/" + launch.program;
        }
    }
    return std::nullopt;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (auto& string : strings) {
        result.push_back(string.data());
    }
    result.push_back(nullptr);
    return result;
}

// Between fork and exec only async-signal-safe calls are made: the app has other threads.
[[noreturn]] void execProgram(const char* path, char* const argv[], char* const envp[],
                              const char* directory, int nothing, int report, int highest) {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int number = 1; number < 32; ++number) {
        if (number != SIGKILL && number != SIGSTOP) {
            sigaction(number, &standard, nullptr);
        }
    }
    if (::chdir(directory) != 0) {
        (void)::chdir("/");
    }
    ::dup2(nothing, STDIN_FILENO);
    ::dup2(nothing, STDOUT_FILENO);
    ::dup2(nothing, STDERR_FILENO);
    ChildDescriptors::closeOthersAfterFork(report, highest);
    ::execve(path, argv, envp);
    const int error = errno;
    (void)::write(report, &error, sizeof error);
    ::_exit(127);
}

} // namespace

int PosixProgramLauncher::startDetached(const ProgramLaunch& launch) {
    const auto path = resolved(launch);
    if (!path) {
        return ENOENT;
    }
    auto arguments =
        launch.arguments.empty() ? std::vector<std::string>{launch.program} : launch.arguments;
    auto environment = launch.environment.value_or(std::vector<std::string>{});
    auto argv = pointers(arguments);
    auto envp = pointers(environment);
    const auto directory = launch.workingDirectory.empty() ? variable(launch, "HOME").value_or("/")
                                                           : launch.workingDirectory;

    const int highest = ChildDescriptors::highestDescriptor();
    pid_t first = -1;
    int report[2] = {-1, -1};
    int nothing = -1;
    {
        const std::lock_guard lock(spawnLock());
        if (const int error = ChildDescriptors::makePipe(report)) {
            return error;
        }
        nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        first = ::fork();
        if (first == 0) {
            ::setsid();
            const pid_t program = ::fork();
            if (program == 0) {
                execProgram(path->c_str(), argv.data(), launch.environment ? envp.data() : environ,
                            directory.c_str(), nothing, report[1], highest);
            }
            if (program < 0) {
                const int error = errno;
                (void)::write(report[1], &error, sizeof error);
            }
            ::_exit(0);
        }
    }
    const int forkError = first < 0 ? errno : 0;
    ::close(report[1]);
    if (nothing >= 0) {
        ::close(nothing);
    }
    int error = forkError;
    if (first > 0) {
        int status = 0;
        while (::waitpid(first, &status, 0) < 0 && errno == EINTR) {
        }
        // Ends when the program has exec'd (close-on-exec) or reported why it could not.
        int reported = 0;
        ssize_t count = 0;
        while ((count = ::read(report[0], &reported, sizeof reported)) < 0 && errno == EINTR) {
        }
        error = count == sizeof reported ? reported : 0;
    }
    ::close(report[0]);
    return error;
}

} // namespace sonifix
