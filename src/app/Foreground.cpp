#include "Foreground.h"

namespace sonifix {

bool Foreground::activationIsCooperative(Workspace& workspace) {
    return workspace.systemMajorVersion() >= cooperativeActivationSince;
}

void Foreground::activate(Workspace& workspace) {
    if (activationIsCooperative(workspace)) {
        workspace.activate();
    } else {
        workspace.activateIgnoringOtherApps();
    }
}

AlertResult Foreground::runAlert(Workspace& workspace, Alerts& alerts, AlertRequest alert) {
    activate(workspace);
    alert.raisesAboveOtherApps = activationIsCooperative(workspace);
    return alerts.runModal(alert);
}

void Foreground::showAlert(Workspace& workspace, Alerts& alerts, AlertRequest alert,
                           Alerts::Answered answered) {
    activate(workspace);
    alert.raisesAboveOtherApps = activationIsCooperative(workspace);
    alerts.show(alert, std::move(answered));
}

} // namespace sonifix
