#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace sonifix {

struct ProcessResult {
    std::int32_t status = -1; // the exit status, or -1 when the program could not be started
    std::string output;       // every byte written to standard output, as written
    bool timedOut = false;    // ended by us: it ran past its time limit, or the runner cancelled it
};

// Starts a program as a child of this process, with the environment, working directory and
// standard input it inherits. Standard output is collected whole; standard error is drained and
// thrown away so that a chatty child always runs to its end. Blocks the calling thread (never
// the main thread) until the child has closed its output and exited, or until its time limit:
// then the child and whatever it started are killed, and the result says it timed out with
// status -1. Never throws.
class ProcessRunner {
public:
    // What a child that is not given a limit of its own may take: the programs the app runs
    // answer in milliseconds.
    static constexpr std::chrono::milliseconds defaultTimeLimit{5000};

    virtual ~ProcessRunner() = default;

    virtual ProcessResult run(const std::string& path, const std::vector<std::string>& arguments,
                              std::chrono::milliseconds timeLimit) = 0;

    ProcessResult run(const std::string& path, const std::vector<std::string>& arguments) {
        return run(path, arguments, defaultTimeLimit);
    }
};

} // namespace sonifix
