#pragma once

#include "platform/Alerts.h"

namespace sonifix {

// Alerts as small Qt dialogs: title, text, an optional e-mail field with the focus, and the
// buttons right to left in the order given, the first one the default.
class QtAlerts final : public Alerts {
public:
    AlertResult runModal(const AlertRequest& alert) override;
};

} // namespace sonifix
