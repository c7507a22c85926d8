#pragma once

#include "LinuxApp.h"
#include "app/CommandHost.h"
#include "platform/SingleInstance.h"

namespace sonifix {

// The command line's part in a Linux process: the tray app, or one command done here with the
// app's own adapters. Needs the application object running on the main thread.
class LinuxCommandHost final : public CommandHost {
public:
    explicit LinuxCommandHost(SingleInstance& instance, LinuxApp::Places places = {})
        : instance(instance), places(std::move(places)) {}

    int runApp() override;
    RestartResult restartHere() override;
    AppStatus statusHere() override;

private:
    SingleInstance& instance;
    LinuxApp::Places places;
};

} // namespace sonifix
