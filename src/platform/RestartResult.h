#pragma once

#include <string>

namespace sonifix {

// How a restart asked for by another launch of the app ended.
struct RestartResult {
    bool succeeded = false;
    // Why it failed, in the words the failure alert uses; after a success, which of the
    // devices chosen before did not come back (empty when all did).
    std::string message;
};

} // namespace sonifix
