#pragma once

#include "EventLog.h"
#include "platform/Workspace.h"

#include <vector>

namespace sonifix::testing {

class FakeWorkspace final : public Workspace {
public:
    explicit FakeWorkspace(EventLog& log) : log(log) {}

    void activateIgnoringOtherApps() override { log.add("activate"); }
    void terminate() override { log.add("terminate"); }
    void observeWake(std::function<void()> handler) override {
        wakeHandlers.push_back(std::move(handler));
    }

    // The computer wakes from sleep.
    void wake() {
        for (const auto& handler : wakeHandlers) {
            handler();
        }
    }

    std::vector<std::function<void()>> wakeHandlers;

private:
    EventLog& log;
};

} // namespace sonifix::testing
