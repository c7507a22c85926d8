#pragma once

#include "platform/SoundServerProbe.h"

#include <mutex>

namespace sonifix::testing {

// A server that answers with the name the test gives, or does not answer at all.
class FakeSoundServerProbe final : public SoundServerProbe {
public:
    std::optional<std::string> serverName(std::chrono::milliseconds) override {
        const std::lock_guard lock(mutex);
        if (answering) {
            last = name;
            return name;
        }
        return std::nullopt;
    }
    std::optional<std::string> lastServerName() override {
        const std::lock_guard lock(mutex);
        return last;
    }

    // Answers from now on.
    void answer(std::string serverName) {
        const std::lock_guard lock(mutex);
        name = std::move(serverName);
        last = name;
        answering = true;
    }
    // Heard before, silent now.
    void freeze() {
        const std::lock_guard lock(mutex);
        answering = false;
    }

private:
    std::mutex mutex;
    std::string name;
    std::optional<std::string> last;
    bool answering = false;
};

} // namespace sonifix::testing
