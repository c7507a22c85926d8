#pragma once

#include "platform/StatusItem.h"

#include <memory>

namespace sonifix {

// A square item in the system status bar. Made at construction, so it exists (without an
// image) from then on.
class AppKitStatusItem final : public StatusItem {
public:
    AppKitStatusItem();
    AppKitStatusItem(const AppKitStatusItem&) = delete;
    AppKitStatusItem& operator=(const AppKitStatusItem&) = delete;
    ~AppKitStatusItem() override;

    void showSymbol(const std::string& symbolName,
                    const std::string& accessibilityDescription) override;
    // Takes menus made by AppKitMenu; any other kind has no NSMenu to show.
    void attachMenu(Menu& menu) override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

} // namespace sonifix
