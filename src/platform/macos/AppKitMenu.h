#pragma once

#include "platform/Menu.h"

#include <memory>

namespace sonifix {

// An NSMenu whose delegate fills it just before it opens. The items' enabled state is the
// core's: the menu does not enable items by itself.
class AppKitMenu final : public Menu {
public:
    AppKitMenu();
    AppKitMenu(const AppKitMenu&) = delete;
    AppKitMenu& operator=(const AppKitMenu&) = delete;
    ~AppKitMenu() override;

    void setDelegate(std::weak_ptr<MenuDelegate> delegate) override;
    void replaceItems(const std::vector<MenuItem>& items) override;

    // The NSMenu, for the status item to show.
    void* nativeMenu() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl;
};

} // namespace sonifix
