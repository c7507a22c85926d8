#pragma once

#include "LogindSleepWatcher.h"
#include "platform/Workspace.h"

#include <memory>
#include <vector>

namespace sonifix {

// The app on a Linux desktop: wake from logind, links through the desktop's opener, programs
// started detached, and the About box.
class QtWorkspace final : public Workspace {
public:
    void activateIgnoringOtherApps() override;
    void activate() override { activateIgnoringOtherApps(); }
    // Not macOS.
    int systemMajorVersion() override { return 0; }
    void terminate() override;
    void observeWake(std::function<void()> handler) override;
    void openURL(const std::string& url) override;
    void openApplication(const std::string& path) override;
    void showAboutPanel(const AboutCredits& credits) override;

private:
    std::vector<std::unique_ptr<LogindSleepWatcher>> watchers;
};

} // namespace sonifix
