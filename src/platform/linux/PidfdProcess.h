#pragma once

#include "platform/HeldProcess.h"

namespace sonifix {

// A process held by a pidfd, which the system never lets name another process.
class PidfdProcess final : public HeldProcess {
public:
    // Takes over `descriptor`, a pidfd.
    explicit PidfdProcess(int descriptor) : descriptor(descriptor) {}
    ~PidfdProcess() override;
    PidfdProcess(const PidfdProcess&) = delete;
    PidfdProcess& operator=(const PidfdProcess&) = delete;

    // A pidfd for `pid`, or -1 with errno set.
    static int open(int pid);

    int signal(Signal signal) override;
    bool hasEnded() override;

private:
    const int descriptor;
};

} // namespace sonifix
