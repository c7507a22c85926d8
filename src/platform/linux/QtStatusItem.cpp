#include "QtStatusItem.h"

#include "QtMenu.h"

#include <QCursor>
#include <QFile>
#include <QIcon>

namespace sonifix {

QtStatusItem::QtStatusItem() {
    // A left click opens the menu too, as a click on a menu-bar item does.
    QObject::connect(&tray, &QSystemTrayIcon::activated, [this](auto reason) {
        if (reason == QSystemTrayIcon::Trigger && tray.contextMenu()) {
            tray.contextMenu()->popup(QCursor::pos());
        }
    });
}

void QtStatusItem::showSymbol(const std::string& symbolName,
                              const std::string& accessibilityDescription) {
    const auto path = QStringLiteral(":/icons/%1.svg").arg(QString::fromStdString(symbolName));
    tray.setIcon(QFile::exists(path) ? QIcon(path) : QIcon());
    shown = symbolName;
    tray.setToolTip(QString::fromStdString(accessibilityDescription));
    tray.show();
}

void QtStatusItem::attachMenu(Menu& menu) {
    if (auto* qtMenu = dynamic_cast<QtMenu*>(&menu)) {
        tray.setContextMenu(qtMenu->widget());
    }
}

} // namespace sonifix
