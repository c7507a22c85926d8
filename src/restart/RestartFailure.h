#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace sonifix {

// The restart engine's one error. what() is the description every alert shows.
class RestartFailure : public std::exception {
public:
    enum class Kind { failed, cancelled, didNotComeBack };

    static RestartFailure failed(std::string message);
    // The administrator prompt was dismissed: callers stay silent about it.
    static RestartFailure cancelled();
    // `startCommand`, when given, is what the user can run to start the daemon by hand.
    static RestartFailure didNotComeBack(std::string_view daemonName,
                                         std::string_view startCommand = {});
    // The text that tells the user how to start the daemon by hand.
    static std::string howToStart(std::string_view startCommand);

    Kind kind() const noexcept { return kind_; }
    const char* what() const noexcept override { return description.c_str(); }

private:
    RestartFailure(Kind kind, std::string description)
        : kind_(kind), description(std::move(description)) {}

    Kind kind_;
    std::string description;
};

} // namespace sonifix
