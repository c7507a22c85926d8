#pragma once

#include <cstdio>
#include <exception>
#include <utility>

namespace sonifix {

// Runs `body` where the system has called into the app: a C callback, an Objective-C method, a
// block on a dispatch queue. No C++ exception may go further, since unwinding through the
// system's frames ends the app, so one that reaches here stops here: it is reported on
// standard error, named after `where`, and the answer is false.
template <class Body> bool callbackBoundary(const char* where, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Sonifix: %s failed: %s\n", where, error.what());
    } catch (...) {
        std::fprintf(stderr, "Sonifix: %s failed with an unknown exception\n", where);
    }
    return false;
}

} // namespace sonifix
