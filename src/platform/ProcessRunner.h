#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonifix {

struct ProcessResult {
    std::int32_t status = -1; // the exit status, or -1 when the program could not be started
    std::string output;       // every byte written to standard output, as written
};

// Starts a program as a child of this process, with the environment, working directory and
// standard input it inherits. Standard output is collected whole; standard error is drained and
// thrown away so that a chatty child always runs to its end. Blocks the calling thread (never
// the main thread) until the child has closed its output and exited. Never throws.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;

    virtual ProcessResult run(const std::string& path,
                              const std::vector<std::string>& arguments) = 0;
};

} // namespace sonifix
