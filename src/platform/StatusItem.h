#pragma once

#include "Menu.h"

#include <string>

namespace sonifix {

// The app's icon in the menu bar (the tray on Linux). Main thread only.
class StatusItem {
public:
    virtual ~StatusItem() = default;

    // Shows the named symbol as a template image that the bar tints; a symbol the platform
    // does not have leaves the item without an image.
    virtual void showSymbol(const std::string& symbolName,
                            const std::string& accessibilityDescription) = 0;

    // A click on the item opens this menu.
    virtual void attachMenu(Menu& menu) = 0;
};

} // namespace sonifix
