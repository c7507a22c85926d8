#pragma once

#include "platform/ProcessRunner.h"

#include <mutex>
#include <set>
#include <sys/types.h>

namespace sonifix {

// Children through posix_spawn: standard output into a pipe read to its end, standard error to
// /dev/null (a pipe nobody read would stall a child that writes much to it). Each child leads a
// process group of its own, so that a time-out or a cancellation ends what it started as well.
class PosixProcessRunner final : public ProcessRunner {
public:
    using ProcessRunner::run;
    ProcessResult run(const std::string& path, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds timeLimit) override;

    // Kills every running child and refuses new ones, from any thread: the app is going away
    // and waits for no child.
    void cancelAll();

private:
    // Both answer false once the runner has been cancelled.
    bool track(pid_t child);
    bool untrack(pid_t child);

    std::mutex mutex;
    std::set<pid_t> running;
    bool cancelled = false;
};

} // namespace sonifix
