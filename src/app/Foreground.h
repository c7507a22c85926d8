#pragma once

#include "platform/Alerts.h"
#include "platform/Workspace.h"

namespace sonifix {

// Brings the app in front of the others before it shows something that may open without a
// click: a restart after wake or from the shortcut, the welcome at login, the sign-up result,
// the password-free offer. Up to macOS 13 activateIgnoringOtherApps does that. From macOS 14 on
// it no longer does (and is deprecated): activation is a request the system may turn down, so
// the app asks the current way and the alert raises itself above the other apps' windows.
class Foreground {
public:
    // The first macOS whose activation is only a request.
    static constexpr int cooperativeActivationSince = 14;

    static void activate(Workspace& workspace);

    // Activates the app, then runs `alert` modally in front of the other apps.
    static AlertResult runAlert(Workspace& workspace, Alerts& alerts, AlertRequest alert);
    // The same for an alert whose answer matters: `answered` gets it once the alert has had its
    // turn.
    static void showAlert(Workspace& workspace, Alerts& alerts, AlertRequest alert,
                          Alerts::Answered answered);

private:
    static bool activationIsCooperative(Workspace& workspace);
};

} // namespace sonifix
