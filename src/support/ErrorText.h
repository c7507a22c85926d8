#pragma once

#include <exception>
#include <string>

namespace sonifix {

// The text an alert shows for an error: its description, as the thrower wrote it.
inline std::string errorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& failure) {
        return failure.what();
    } catch (...) {
        return "An unknown error occurred.";
    }
}

} // namespace sonifix
