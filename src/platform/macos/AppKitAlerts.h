#pragma once

#include "platform/Alerts.h"

namespace sonifix {

// NSAlert, run modally; the e-mail field is its accessory view.
class AppKitAlerts final : public Alerts {
public:
    AlertResult runModal(const AlertRequest& alert) override;
};

} // namespace sonifix
