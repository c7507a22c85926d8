#include "RestartFailure.h"

namespace sonifix {

RestartFailure RestartFailure::failed(std::string message) {
    return {Kind::failed, std::move(message)};
}

RestartFailure RestartFailure::cancelled() {
    return {Kind::cancelled, "Cancelled."};
}

RestartFailure RestartFailure::didNotComeBack(std::string_view daemonName,
                                              std::string_view startCommand) {
    return {Kind::didNotComeBack, std::string(daemonName) +
                                      " was stopped but didn't come back within 10 seconds." +
                                      howToStart(startCommand)};
}

std::string RestartFailure::howToStart(std::string_view startCommand) {
    return startCommand.empty() ? std::string()
                                : "\n\nTo start it again, run:\n" + std::string(startCommand);
}

} // namespace sonifix
