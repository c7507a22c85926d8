#pragma once

#include "platform/StatusItem.h"

#include <QSystemTrayIcon>

namespace sonifix {

// The tray icon. Its symbols are the program's own monochrome icons, so it looks the same
// whatever icon theme the desktop uses.
class QtStatusItem final : public StatusItem {
public:
    QtStatusItem();

    void showSymbol(const std::string& symbolName,
                    const std::string& accessibilityDescription) override;
    void attachMenu(Menu& menu) override;

    QSystemTrayIcon* widget() { return &tray; }
    // The symbol shown now, by name.
    const std::string& symbol() const { return shown; }

private:
    QSystemTrayIcon tray;
    std::string shown;
};

} // namespace sonifix
