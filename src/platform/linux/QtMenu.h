#pragma once

#include "platform/Menu.h"

#include <QMenu>
#include <memory>

namespace sonifix {

// A QMenu refilled by its delegate every time it is about to show, which tells it when it hides.
class QtMenu final : public Menu {
public:
    QtMenu();

    void setDelegate(std::weak_ptr<MenuDelegate> delegate) override;
    void replaceItems(const std::vector<MenuItem>& items) override;

    QMenu* widget() { return &menu; }

private:
    QMenu menu;
    std::weak_ptr<MenuDelegate> delegate;
};

} // namespace sonifix
