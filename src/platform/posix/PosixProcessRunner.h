#pragma once

#include "platform/ProcessRunner.h"

namespace sonifix {

// Children through posix_spawn: standard output into a pipe read to its end, standard error to
// /dev/null (a pipe nobody read would stall a child that writes much to it).
class PosixProcessRunner final : public ProcessRunner {
public:
    ProcessResult run(const std::string& path, const std::vector<std::string>& arguments) override;
};

} // namespace sonifix
