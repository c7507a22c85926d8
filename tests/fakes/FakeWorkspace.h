#pragma once

#include "EventLog.h"
#include "platform/Workspace.h"

namespace sonifix::testing {

class FakeWorkspace final : public Workspace {
public:
    explicit FakeWorkspace(EventLog& log) : log(log) {}

    void activateIgnoringOtherApps() override { log.push_back("activate"); }
    void activate() override { log.push_back("activate cooperatively"); }
    int systemMajorVersion() override { return majorVersion; }
    void terminate() override { log.push_back("terminate"); }
    void observeWake(std::function<void()> handler) override { wake = std::move(handler); }
    void openURL(const std::string& url) override { log.push_back("open " + url); }
    void openApplication(const std::string& path) override { log.push_back("open " + path); }
    void showAboutPanel(const AboutCredits&) override { log.push_back("about panel"); }

    int majorVersion = 13;
    std::function<void()> wake; // the computer wakes from sleep

private:
    EventLog& log;
};

} // namespace sonifix::testing
