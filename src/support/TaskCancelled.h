#pragma once

#include <exception>

namespace sonifix {

// Thrown out of a background task whose stop was requested while it waited. It is not a
// restart failure and is never shown to the user.
class TaskCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "The task was cancelled."; }
};

} // namespace sonifix
