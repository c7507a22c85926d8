#include "ProcFsProcessTable.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace sonifix {

namespace {

std::optional<std::string> readFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const auto count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            text.append(buffer, std::size_t(count));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fd);
    return text;
}

struct Stat {
    std::string name;
    char state = '?';
    std::int32_t parent = 0;
};

// "pid (name) state ppid …", where the name may itself hold blanks and parentheses.
std::optional<Stat> readStat(const std::string& directory) {
    const auto text = readFile(directory + "/stat");
    if (!text) {
        return std::nullopt;
    }
    const auto open = text->find('(');
    const auto close = text->rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open ||
        close + 4 >= text->size()) {
        return std::nullopt;
    }
    Stat stat{.name = text->substr(open + 1, close - open - 1), .state = (*text)[close + 2]};
    const auto* first = text->data() + close + 4;
    std::from_chars(first, text->data() + text->size(), stat.parent);
    return stat;
}

std::optional<std::int32_t> processID(const char* entry) {
    std::int32_t pid = 0;
    const std::string_view text(entry);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), pid);
    if (error != std::errc{} || end != text.data() + text.size() || pid <= 0) {
        return std::nullopt;
    }
    return pid;
}

bool isLive(char state) {
    // Zombie, dead.
    return state != 'Z' && state != 'X' && state != 'x';
}

} // namespace

std::vector<ProcessEntry> ProcFsProcessTable::find(const std::vector<std::string>& names) {
    std::vector<ProcessEntry> found;
    DIR* directory = ::opendir(root.c_str());
    if (!directory) {
        return found;
    }
    while (const auto* entry = ::readdir(directory)) {
        const auto pid = processID(entry->d_name);
        if (!pid) {
            continue;
        }
        const auto path = root + "/" + entry->d_name;
        const auto stat = readStat(path);
        if (!stat || !isLive(stat->state) ||
            std::find(names.begin(), names.end(), stat->name) == names.end()) {
            continue;
        }
        ProcessEntry process{.pid = *pid, .parent = stat->parent, .name = stat->name};
        struct stat owner {};
        if (::stat(path.c_str(), &owner) == 0) {
            process.user = owner.st_uid;
        }
        if (const auto commandLine = readFile(path + "/cmdline")) {
            std::size_t start = 0;
            while (start < commandLine->size()) {
                const auto end = commandLine->find('\0', start);
                const auto stop = end == std::string::npos ? commandLine->size() : end;
                process.arguments.push_back(commandLine->substr(start, stop - start));
                start = stop + 1;
            }
        }
        // The unified hierarchy's line, "0::/path".
        if (const auto groups = readFile(path + "/cgroup")) {
            const auto line = groups->find("0::");
            if (line != std::string::npos) {
                const auto end = groups->find('\n', line);
                process.controlGroup = groups->substr(
                    line + 3, (end == std::string::npos ? groups->size() : end) - line - 3);
            }
        }
        found.push_back(std::move(process));
    }
    ::closedir(directory);
    std::sort(found.begin(), found.end(),
              [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
    return found;
}

bool ProcFsProcessTable::isRunning(std::int32_t pid) {
    const auto stat = readStat(root + "/" + std::to_string(pid));
    return stat && isLive(stat->state);
}

int ProcFsProcessTable::signal(std::int32_t pid, Signal signal) {
    if (pid <= 0) {
        return EINVAL;
    }
    return ::kill(pid, signal == Signal::kill ? SIGKILL : SIGTERM) == 0 ? 0 : errno;
}

std::uint32_t ProcFsProcessTable::currentUser() {
    return ::getuid();
}

} // namespace sonifix
