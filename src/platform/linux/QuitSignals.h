#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <functional>
#include <memory>

namespace sonifix {

// SIGINT and SIGTERM, for as long as this object lives, as a call on the main thread instead of
// the end of the process: a restart they cut short must first bring the sound server back. Make
// one at a time, on the main thread.
class QuitSignals final {
public:
    explicit QuitSignals(std::function<void()> received);
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

private:
    std::function<void()> received;
    std::unique_ptr<QSocketNotifier> notifier;
    struct sigaction previousInterrupt {};
    struct sigaction previousTerminate {};
};

} // namespace sonifix
