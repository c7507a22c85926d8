#pragma once

#include "HeldProcess.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sonifix {

struct ProcessEntry {
    std::int32_t pid = 0;
    std::int32_t parent = 0;
    std::uint32_t user = 0; // the real user ID
    // The name of the program file it runs ("pipewire-media-session"), not the system's short
    // name, which is cut at 15 characters and which a process may set itself.
    std::string name;
    // That program file, as a path that reaches the very same file from here; empty when there
    // is none (the file was replaced or removed, or lives where this process cannot see it).
    std::string executable;
    // Whether `executable` is a system program: it, and every folder above it, can be changed by
    // root alone, and not by this process's user unless that is root.
    bool systemProgram = false;
    // Whether it runs in this process's PID namespace: one of a container's own does not.
    bool inThisNamespace = false;
    std::vector<std::string> arguments; // its command line, the name it was started by first
    // When it started, in the system's ticks since boot: with the PID, it names one process.
    std::uint64_t startTime = 0;
};

// The system's running processes and the local sockets between them, read directly rather than
// through a lister program. Any thread; never throws.
class ProcessTable {
public:
    virtual ~ProcessTable() = default;

    // The process, when it runs now (one that has ended but is not yet reaped does not).
    virtual std::optional<ProcessEntry> process(std::int32_t pid) = 0;

    // The process that set the local socket at `path` listening, as the system recorded it for a
    // connection made now: 0 when a socket listens there but that process cannot be named (it
    // lives in another PID namespace, or the socket takes no more connections now); nothing when
    // nothing listens there.
    virtual std::optional<std::int32_t> listenerOf(const std::string& path) = 0;

    // The processes that hold the listening socket at `path`: the one that takes its
    // connections, and a service manager that made it for it.
    virtual std::vector<std::int32_t> holdersOf(const std::string& path) = 0;

    // The processes, of this user, that hold a local socket connected to one held by `pid`.
    virtual std::vector<std::int32_t> clientsOf(std::int32_t pid) = 0;

    // A handle on the process `entry` describes; nothing when it has ended, or when its ID
    // already names another process.
    virtual std::unique_ptr<HeldProcess> hold(const ProcessEntry& entry) = 0;

    // Whether a process listens on the local socket bound at `path`.
    virtual bool isListening(const std::string& path) = 0;

    // This process's real user ID.
    virtual std::uint32_t currentUser() = 0;
};

} // namespace sonifix
