#pragma once

#include "platform/StatusItem.h"

#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>
#include <limits>
#include <memory>

class QMenu;

namespace sonifix {

// The tray icon. Qt settles between a StatusNotifierItem and an XEmbed icon once, as the icon
// is made, so it is made only when placed, once the panel is there.
class QtStatusItem final : public StatusItem {
public:
    void showSymbol(const std::string& symbolName,
                    const std::string& accessibilityDescription) override;
    void attachMenu(Menu& menu) override;
    bool barAvailable() override;
    void observeBar(std::function<void()> appeared) override;
    void place() override;

    // The icon in the tray; nothing until it is placed.
    QSystemTrayIcon* widget() { return tray.get(); }
    // The symbol shown now, by name.
    const std::string& symbol() const { return shown; }

    // The program's symbol by name ("hifispeaker"), untinted, in the sizes it ships up to
    // `largest` pixels (each one stays in memory as long as the icon); null for a name it does
    // not ship.
    static QIcon symbolIcon(const QString& name, int largest = std::numeric_limits<int>::max());

private:
    QIcon icon() const;

    std::unique_ptr<QSystemTrayIcon> tray;
    QMenu* menu = nullptr;
    std::string shown;
    QString toolTip;
    QTimer lookForBar;
};

} // namespace sonifix
