#include "QtMenu.h"

#include <QAction>
#include <QKeySequence>

namespace sonifix {

namespace {

// A single '&' would mark a mnemonic and vanish from "Music & Spotify".
QString plainText(const std::string& title) {
    return QString::fromStdString(title).replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

QtMenu::QtMenu() {
    menu.setToolTipsVisible(true);
    QObject::connect(&menu, &QMenu::aboutToShow, [this] {
        if (const auto current = delegate.lock()) {
            current->menuNeedsUpdate();
        }
    });
    QObject::connect(&menu, &QMenu::aboutToHide, [this] {
        if (const auto current = delegate.lock()) {
            current->menuDidClose();
        }
    });
}

void QtMenu::setDelegate(std::weak_ptr<MenuDelegate> newDelegate) {
    delegate = std::move(newDelegate);
}

void QtMenu::replaceItems(const std::vector<MenuItem>& items) {
    menu.clear();
    for (const auto& item : items) {
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        auto* action = menu.addAction(plainText(item.title));
        action->setEnabled(item.enabled);
        if (item.action == MenuAction::toggleSetting || item.action == MenuAction::toggleLogin) {
            action->setCheckable(true);
            action->setChecked(item.on);
        }
        if (!item.keyEquivalent.empty()) {
            action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") +
                                             QString::fromStdString(item.keyEquivalent).toUpper()));
            action->setShortcutContext(Qt::WidgetShortcut);
        }
        if (!item.toolTip.empty()) {
            action->setToolTip(QString::fromStdString(item.toolTip));
        }
        if (item.action != MenuAction::none) {
            QObject::connect(action, &QAction::triggered, [this, item] {
                if (const auto current = delegate.lock()) {
                    current->perform(item);
                }
            });
        }
    }
}

} // namespace sonifix
