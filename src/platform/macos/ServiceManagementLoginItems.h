#pragma once

#include "platform/LoginItems.h"

namespace sonifix {

// SMAppService.mainAppService: the app itself as a login item (macOS 13 and later).
class ServiceManagementLoginItems final : public LoginItems {
public:
    int status() override;
    std::optional<std::string> registerApp() override;
    std::optional<std::string> unregisterApp() override;
    std::string appPath() override;
    void openSystemSettingsLoginItems() override;
};

} // namespace sonifix
