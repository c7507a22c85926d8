#include "ProcFsProcessTable.h"

#include "PidfdProcess.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <linux/unix_diag.h>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace sonifix {

namespace {

constexpr unsigned char listeningState = 10; // TCP_LISTEN, as the kernel reports local sockets

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
    char state = '?';
    std::int32_t parent = 0;
    std::uint64_t startTime = 0;
};

// "pid (name) state ppid …", where the name may itself hold blanks and parentheses; the start
// time is the 22nd field.
std::optional<Stat> readStat(const std::string& directory) {
    const auto text = readFile(directory + "/stat");
    if (!text) {
        return std::nullopt;
    }
    const auto close = text->rfind(')');
    if (close == std::string::npos || close + 4 >= text->size()) {
        return std::nullopt;
    }
    Stat stat{.state = (*text)[close + 2]};
    const char* field = text->data() + close + 4;
    const char* end = text->data() + text->size();
    std::from_chars(field, end, stat.parent);
    for (int number = 4; number < 22 && field < end; ++number) {
        field = std::find(field, end, ' ') + 1;
    }
    if (field < end) {
        std::from_chars(field, end, stat.startTime);
    }
    return stat;
}

bool isLive(char state) {
    // Zombie, dead.
    return state != 'Z' && state != 'X' && state != 'x';
}

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\0', start);
        const auto stop = end == std::string::npos ? text.size() : end;
        parts.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return parts;
}

std::string readLink(const std::string& path) {
    std::string target(4096, '\0');
    const auto length = ::readlink(path.c_str(), target.data(), target.size());
    target.resize(length > 0 ? std::size_t(length) : 0);
    return target;
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

// "Uid:\treal\teffective…"
std::optional<std::uint32_t> realUser(const std::string& directory) {
    const auto status = readFile(directory + "/status");
    const auto line = status ? status->find("\nUid:") : std::string::npos;
    if (line == std::string::npos) {
        return std::nullopt;
    }
    const char* first = status->data() + line + 5;
    const char* end = status->data() + status->size();
    while (first < end && (*first == '\t' || *first == ' ')) {
        ++first;
    }
    std::uint32_t user = 0;
    return std::from_chars(first, end, user).ec == std::errc{} ? std::optional(user) : std::nullopt;
}

// Changeable by root alone: owned by root and not writable by its group or others; and, for
// any other user, not writable by that user either (an access list may allow it).
bool onlyRootWrites(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && status.st_uid == 0 &&
           (status.st_mode & (S_IWGRP | S_IWOTH)) == 0 &&
           (::getuid() == 0 || ::access(path.c_str(), W_OK) != 0);
}

bool isSystemProgram(const std::string& path) {
    if (path.empty() || path.front() != '/' || !onlyRootWrites(path)) {
        return false;
    }
    for (auto slash = path.rfind('/'); slash != std::string::npos && slash > 0;
         slash = path.rfind('/', slash - 1)) {
        if (!onlyRootWrites(path.substr(0, slash))) {
            return false;
        }
    }
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// "socket:[12345]"
std::optional<std::uint64_t> socketInode(std::string_view link) {
    constexpr std::string_view prefix = "socket:[";
    if (!link.starts_with(prefix) || !link.ends_with(']')) {
        return std::nullopt;
    }
    std::uint64_t inode = 0;
    const auto* first = link.data() + prefix.size();
    const auto* last = link.data() + link.size() - 1;
    return std::from_chars(first, last, inode).ec == std::errc{} ? std::optional(inode)
                                                                 : std::nullopt;
}

struct LocalSocket {
    std::uint64_t inode = 0;
    unsigned char state = 0;
    std::uint64_t peer = 0;
    std::string path;
    std::uint64_t fileInode = 0;
};

// The netlink macros compare the kernel's unsigned lengths with the int they count down.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"

// Every local socket in this network namespace, as the kernel's socket diagnostics list them.
std::vector<LocalSocket> localSockets(std::uint32_t show) {
    std::vector<LocalSocket> sockets;
    const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
    if (fd < 0) {
        return sockets;
    }
    struct {
        nlmsghdr header;
        unix_diag_req request;
    } message{};
    message.header.nlmsg_len = sizeof message;
    message.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
    message.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    message.request.sdiag_family = AF_UNIX;
    message.request.udiag_states = ~0U;
    message.request.udiag_show = show;
    if (::send(fd, &message, sizeof message, 0) != sizeof message) {
        ::close(fd);
        return sockets;
    }
    alignas(nlmsghdr) char buffer[32768];
    for (bool done = false; !done;) {
        const auto count = ::recv(fd, buffer, sizeof buffer, 0);
        if (count <= 0) {
            break;
        }
        auto length = int(count);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, length);
             header = NLMSG_NEXT(header, length)) {
            if (header->nlmsg_type == NLMSG_DONE || header->nlmsg_type == NLMSG_ERROR) {
                done = true;
                break;
            }
            const auto* found = static_cast<const unix_diag_msg*>(NLMSG_DATA(header));
            LocalSocket socket{.inode = found->udiag_ino, .state = found->udiag_state};
            auto attributesLength = int(header->nlmsg_len - NLMSG_LENGTH(sizeof *found));
            for (auto* attribute = reinterpret_cast<rtattr*>(const_cast<unix_diag_msg*>(found) + 1);
                 RTA_OK(attribute, attributesLength);
                 attribute = RTA_NEXT(attribute, attributesLength)) {
                const auto* data = static_cast<const char*>(RTA_DATA(attribute));
                const auto size = std::size_t(RTA_PAYLOAD(attribute));
                if (attribute->rta_type == UNIX_DIAG_PEER && size >= sizeof(std::uint32_t)) {
                    std::uint32_t peer = 0;
                    std::memcpy(&peer, data, sizeof peer);
                    socket.peer = peer;
                } else if (attribute->rta_type == UNIX_DIAG_NAME) {
                    // A path as bound, with its terminating zero.
                    socket.path.assign(data, ::strnlen(data, size));
                } else if (attribute->rta_type == UNIX_DIAG_VFS && size >= sizeof(unix_diag_vfs)) {
                    unix_diag_vfs file{};
                    std::memcpy(&file, data, sizeof file);
                    socket.fileInode = file.udiag_vfs_ino;
                }
            }
            sockets.push_back(std::move(socket));
        }
    }
    ::close(fd);
    return sockets;
}

#pragma GCC diagnostic pop

// Calls `each` with every process folder under `root` and its PID.
void forEachProcess(const std::string& root,
                    const std::function<void(const std::string&, std::int32_t)>& each) {
    DIR* directory = ::opendir(root.c_str());
    if (!directory) {
        return;
    }
    while (const auto* entry = ::readdir(directory)) {
        if (const auto pid = processID(entry->d_name)) {
            each(root + "/" + entry->d_name, *pid);
        }
    }
    ::closedir(directory);
}

} // namespace

std::optional<ProcessEntry> ProcFsProcessTable::process(std::int32_t pid) {
    if (pid <= 0) {
        return std::nullopt;
    }
    const auto path = root + "/" + std::to_string(pid);
    const auto stat = readStat(path);
    const auto user = realUser(path);
    const auto commandLine = readFile(path + "/cmdline");
    if (!stat || !isLive(stat->state) || !user || !commandLine) {
        return std::nullopt;
    }
    ProcessEntry process{.pid = pid,
                         .parent = stat->parent,
                         .user = *user,
                         .arguments = split(*commandLine),
                         .startTime = stat->startTime};
    // A program file replaced by an upgrade reads "/usr/bin/pipewire (deleted)"; the new one is
    // at the same path. Any other file must be the very one the process runs: seen from a
    // container, the same path may name another.
    constexpr std::string_view deleted = " (deleted)";
    auto program = readLink(path + "/exe");
    const bool replaced = program.ends_with(deleted);
    if (replaced) {
        program.resize(program.size() - deleted.size());
    }
    process.name = program.substr(program.rfind('/') + 1);
    if (!program.empty() && (replaced || sameFile(program, path + "/exe"))) {
        process.executable = program;
        process.systemProgram = isSystemProgram(program);
    }
    const auto namespaceOf = [](const std::string& folder) { return readLink(folder + "/ns/pid"); };
    const auto own = namespaceOf(root + "/self");
    process.inThisNamespace = !own.empty() && own == namespaceOf(path);
    return process;
}

std::vector<ProcessEntry> ProcFsProcessTable::find(const std::vector<std::string>& names) {
    std::vector<ProcessEntry> found;
    forEachProcess(root, [&](const std::string& folder, std::int32_t pid) {
        const auto program = readLink(folder + "/exe");
        const auto name = program.substr(program.rfind('/') + 1);
        const auto matches = [&](const std::string& wanted) {
            return name == wanted || name == wanted + " (deleted)";
        };
        if (std::any_of(names.begin(), names.end(), matches)) {
            if (auto entry = process(pid)) {
                found.push_back(std::move(*entry));
            }
        }
    });
    std::sort(found.begin(), found.end(),
              [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
    return found;
}

std::optional<std::int32_t> ProcFsProcessTable::listenerOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return std::nullopt;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    // Not blocking: a server that has stopped taking connections must not hold the caller up.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::int32_t> listener;
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        const bool named = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0;
        listener = named && credentials.pid > 0 ? credentials.pid : 0;
    } else if (errno == EAGAIN) {
        listener = 0; // its backlog is full
    }
    ::close(fd);
    return listener;
}

std::set<std::uint64_t> ProcFsProcessTable::socketsOf(const std::string& processFolder) {
    std::set<std::uint64_t> inodes;
    DIR* descriptors = ::opendir((processFolder + "/fd").c_str());
    if (!descriptors) {
        return inodes;
    }
    while (const auto* entry = ::readdir(descriptors)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        if (const auto inode = socketInode(readLink(processFolder + "/fd/" + entry->d_name))) {
            inodes.insert(*inode);
        }
    }
    ::closedir(descriptors);
    return inodes;
}

std::vector<std::int32_t>
ProcFsProcessTable::holdersOfSockets(const std::set<std::uint64_t>& inodes, std::int32_t except) {
    std::vector<std::int32_t> holders;
    if (inodes.empty()) {
        return holders;
    }
    const auto user = ::getuid();
    forEachProcess(root, [&](const std::string& folder, std::int32_t pid) {
        struct stat owner {};
        if (pid == except || ::stat(folder.c_str(), &owner) != 0 || owner.st_uid != user) {
            return;
        }
        const auto held = socketsOf(folder);
        if (std::any_of(held.begin(), held.end(),
                        [&](std::uint64_t inode) { return inodes.contains(inode); })) {
            holders.push_back(pid);
        }
    });
    std::sort(holders.begin(), holders.end());
    return holders;
}

std::vector<std::int32_t> ProcFsProcessTable::holdersOf(const std::string& path) {
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0) {
        return {};
    }
    std::set<std::uint64_t> listening;
    for (const auto& socket : localSockets(UDIAG_SHOW_NAME | UDIAG_SHOW_VFS)) {
        if (socket.state == listeningState && socket.path == path &&
            socket.fileInode == file.st_ino) {
            listening.insert(socket.inode);
        }
    }
    return holdersOfSockets(listening);
}

std::vector<std::int32_t> ProcFsProcessTable::clientsOf(std::int32_t pid) {
    const auto own = socketsOf(root + "/" + std::to_string(pid));
    if (own.empty()) {
        return {};
    }
    std::set<std::uint64_t> connected;
    for (const auto& socket : localSockets(UDIAG_SHOW_PEER)) {
        if (socket.peer != 0 && own.contains(socket.peer) && !own.contains(socket.inode)) {
            connected.insert(socket.inode);
        }
    }
    return holdersOfSockets(connected, pid);
}

std::unique_ptr<HeldProcess> ProcFsProcessTable::hold(const ProcessEntry& entry) {
    const int descriptor = PidfdProcess::open(entry.pid);
    if (descriptor < 0) {
        return nullptr;
    }
    auto held = std::make_unique<PidfdProcess>(descriptor);
    // Opened after the entry was read: the ID may have passed to another process in between.
    const auto stat = readStat(root + "/" + std::to_string(entry.pid));
    if (!stat || stat->startTime != entry.startTime) {
        return nullptr;
    }
    return held;
}

bool ProcFsProcessTable::isListening(const std::string& socketPath) {
    // "Num RefCount Protocol Flags Type St Inode Path"; a listening socket's flags are
    // __SO_ACCEPTCON.
    const auto table = readFile(root + "/net/unix");
    if (!table) {
        return false;
    }
    std::size_t start = 0;
    while (start < table->size()) {
        auto end = table->find('\n', start);
        end = end == std::string::npos ? table->size() : end;
        const std::string_view line(table->data() + start, end - start);
        start = end + 1;
        if (line.size() > socketPath.size() && line.ends_with(socketPath) &&
            line[line.size() - socketPath.size() - 1] == ' ' &&
            line.find(" 00010000 ") != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

std::uint32_t ProcFsProcessTable::currentUser() {
    return ::getuid();
}

} // namespace sonifix
