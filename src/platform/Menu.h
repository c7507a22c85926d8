#pragma once

#include "MenuDelegate.h"
#include "MenuItem.h"

#include <memory>
#include <vector>

namespace sonifix {

// The status item's menu. Main thread only.
class Menu {
public:
    virtual ~Menu() = default;

    // The menu holds its delegate weakly and stops calling it once it is gone.
    virtual void setDelegate(std::weak_ptr<MenuDelegate> delegate) = 0;

    // Throws away every item and shows these, in order.
    virtual void replaceItems(const std::vector<MenuItem>& items) = 0;
};

} // namespace sonifix
