#pragma once

#include "platform/Workspace.h"

#include <memory>

namespace sonifix {

// The shared application and NSWorkspace.
class AppKitWorkspace final : public Workspace {
public:
    AppKitWorkspace();
    AppKitWorkspace(const AppKitWorkspace&) = delete;
    AppKitWorkspace& operator=(const AppKitWorkspace&) = delete;
    ~AppKitWorkspace() override;

    void activateIgnoringOtherApps() override;
    void activate() override;
    int systemMajorVersion() override;
    void terminate() override;
    // Observes NSWorkspaceDidWakeNotification on the workspace's own notification center, the
    // only one that carries it.
    void observeWake(std::function<void()> handler) override;
    void openURL(const std::string& url) override;
    void openApplication(const std::string& path) override;
    void showAboutPanel(const AboutCredits& credits) override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl;
};

} // namespace sonifix
