#pragma once

#include <QCoreApplication>
#include <chrono>

namespace sonifix::testing {

// Runs the main thread's event loop until `done` holds or the time is up; answers `done()`.
template <typename Condition>
bool pumpUntil(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(3)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

// Lets whatever is already on its way arrive.
inline void pumpFor(std::chrono::milliseconds time) {
    pumpUntil([] { return false; }, time);
}

} // namespace sonifix::testing
