#pragma once

#include "Menu.h"

#include <functional>
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

    // Where the bar is part of the system it is always there. A desktop may have no tray, or get
    // one after the app has started (a panel that starts later, an extension turned on).

    // Whether there is a bar to show the item in now.
    virtual bool barAvailable() { return true; }
    // Calls `appeared` on the main thread when a bar comes; at most once.
    virtual void observeBar(std::function<void()> appeared) { (void)appeared; }
    // Puts the item in the bar, with the symbol and the menu given so far. Call it once there
    // is a bar; before that the item keeps them without showing anything.
    virtual void place() {}
};

} // namespace sonifix
