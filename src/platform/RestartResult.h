#pragma once

#include <string>

namespace sonifix {

// How a restart asked for by another launch of the app ended.
struct RestartResult {
    bool succeeded = false;
    std::string message; // why it failed, in the words the failure alert uses
};

} // namespace sonifix
