#pragma once

#include "EventLog.h"
#include "platform/Workspace.h"

#include <vector>

namespace sonifix::testing {

class FakeWorkspace final : public Workspace {
public:
    explicit FakeWorkspace(EventLog& log) : log(log) {}

    void activateIgnoringOtherApps() override { log.add("activate"); }
    void activate() override { log.add("activate cooperatively"); }
    int systemMajorVersion() override { return majorVersion; }
    void terminate() override { log.add("terminate"); }
    void observeWake(std::function<void()> handler) override {
        wakeHandlers.push_back(std::move(handler));
    }

    void openURL(const std::string& url) override { log.add("open " + url); }
    void openApplication(const std::string& path) override { log.add("open " + path); }
    void showAboutPanel(const AboutCredits& credits) override {
        log.add("about panel");
        about = credits;
    }

    // The computer wakes from sleep.
    void wake() {
        for (const auto& handler : wakeHandlers) {
            handler();
        }
    }

    int majorVersion = 13;
    std::vector<std::function<void()>> wakeHandlers;
    AboutCredits about;

private:
    EventLog& log;
};

} // namespace sonifix::testing
