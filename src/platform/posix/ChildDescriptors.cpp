#include "ChildDescriptors.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

// The SONIFIX_HAVE_ names come from CMake's look at the C library, not from the system's name:
// each is a call the library has or lacks, whatever the system.

namespace sonifix {

int ChildDescriptors::makePipe(int ends[2]) {
#ifdef SONIFIX_HAVE_PIPE2
    return ::pipe2(ends, O_CLOEXEC) == 0 ? 0 : errno;
#else
    // Without pipe2 a fork between these calls can still pass the ends on; the child then
    // closes them itself, as every child here does.
    if (::pipe(ends) != 0) {
        return errno;
    }
    ::fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    return 0;
#endif
}

int ChildDescriptors::makeTemporaryFile(std::string& pattern) {
#ifdef SONIFIX_HAVE_MKOSTEMP
    return ::mkostemp(pattern.data(), O_CLOEXEC);
#else
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return fd;
#endif
}

void ChildDescriptors::closeOthersOnSpawn(posix_spawn_file_actions_t* actions, short& flags) {
#ifdef POSIX_SPAWN_CLOEXEC_DEFAULT
    // Every descriptor not named by an action is closed; standard input is named to stay.
    posix_spawn_file_actions_addinherit_np(actions, STDIN_FILENO);
    flags = short(flags | POSIX_SPAWN_CLOEXEC_DEFAULT);
#elif defined(SONIFIX_HAVE_ADDCLOSEFROM)
    posix_spawn_file_actions_addclosefrom_np(actions, STDERR_FILENO + 1);
#else
    (void)actions;
#endif
    (void)flags;
}

int ChildDescriptors::highestDescriptor() {
    const long limit = ::sysconf(_SC_OPEN_MAX);
    // An unlimited or huge table is not walked to its end; close_range covers it where it exists.
    return limit > 0 && limit < 65536 ? int(limit) - 1 : 65535;
}

void ChildDescriptors::closeOthersAfterFork(int keep, int highest) noexcept {
    const int first = STDERR_FILENO + 1;
#ifdef SONIFIX_HAVE_CLOSE_RANGE
    const bool closed = (keep <= first || ::close_range(first, unsigned(keep - 1), 0) == 0) &&
                        ::close_range(unsigned(keep < first ? first : keep + 1), UINT_MAX, 0) == 0;
    if (closed) {
        return;
    }
#endif
    for (int fd = first; fd <= highest; ++fd) {
        if (fd != keep) {
            ::close(fd);
        }
    }
}

} // namespace sonifix
