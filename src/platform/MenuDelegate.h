#pragma once

#include "MenuItem.h"

namespace sonifix {

// Called by a menu adapter on the main thread.
class MenuDelegate {
public:
    virtual ~MenuDelegate() = default;

    // The menu is about to open: now is the time to fill it.
    virtual void menuNeedsUpdate() = 0;

    // The menu closed, whether an item was chosen or not.
    virtual void menuDidClose() = 0;

    // The user chose `item` (one of the items last handed to the menu).
    virtual void perform(const MenuItem& item) = 0;
};

} // namespace sonifix
