#include "PidfdProcess.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace sonifix {

// Through syscall(): C libraries older than glibc 2.36 have no wrappers.
int PidfdProcess::open(int pid) {
    return int(::syscall(SYS_pidfd_open, pid, 0));
}

PidfdProcess::~PidfdProcess() {
    ::close(descriptor);
}

int PidfdProcess::signal(Signal signal) {
    const int number = signal == Signal::kill ? SIGKILL : SIGTERM;
    return ::syscall(SYS_pidfd_send_signal, descriptor, number, nullptr, 0) == 0 ? 0 : errno;
}

bool PidfdProcess::hasEnded() {
    pollfd ended{.fd = descriptor, .events = POLLIN, .revents = 0};
    return ::poll(&ended, 1, 0) > 0;
}

} // namespace sonifix
