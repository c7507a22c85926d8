#include "QtStatusItem.h"

#include "QtMenu.h"
#include "SystemTrayProbe.h"

#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QMenu>
#include <QPainter>
#include <QPalette>

namespace sonifix {

namespace {

// Often at first, when a panel starting beside the app is likely; then seldom, which spares a
// laptop's battery on a desktop that never gets a tray.
constexpr auto firstLooks = std::chrono::milliseconds(250);
constexpr int firstLookCount = 40;
constexpr auto laterLooks = std::chrono::seconds(2);

// The program's own monochrome symbol in the text colour of the desktop's theme, ringed with its
// window colour: legible on a panel of either kind, also one darker or lighter than the theme.
QIcon tinted(const QIcon& source) {
    const auto palette = QGuiApplication::palette();
    auto ring = palette.color(QPalette::Window);
    ring.setAlpha(170);
    QIcon result;
    for (const int side : {16, 22, 24, 32, 48, 64}) {
        const auto glyph = source.pixmap(side - 2, side - 2).toImage();
        const auto inColour = [&glyph](const QColor& colour) {
            auto image = glyph;
            QPainter painter(&image);
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(image.rect(), colour);
            return image;
        };
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        const auto halo = inColour(ring);
        for (const auto& offset : {QPoint(0, 1), QPoint(2, 1), QPoint(1, 0), QPoint(1, 2)}) {
            painter.drawImage(offset, halo);
        }
        painter.drawImage(QPoint(1, 1), inColour(palette.color(QPalette::WindowText)));
        painter.end();
        result.addPixmap(QPixmap::fromImage(image));
    }
    return result;
}

} // namespace

QIcon QtStatusItem::symbolIcon(const QString& name, int largest) {
    // Pre-rendered at each size it is painted at: an SVG renderer would stay loaded for the
    // life of the program only to draw three small symbols.
    const QDir icons(QStringLiteral(":/icons"));
    QIcon icon;
    const auto prefix = name + QLatin1Char('-');
    for (const auto& file : icons.entryList(QDir::Files)) {
        // Matched by hand: a name filter is a regular expression, and compiling one maps half a
        // megabyte of PCRE's code.
        if (!file.startsWith(prefix)) {
            continue;
        }
        // Read as the PNG it is: guessing the format would have Qt load every image plugin.
        QImageReader reader(icons.filePath(file), "png");
        reader.setAutoDetectImageFormat(false);
        if (reader.size().width() <= largest) {
            icon.addPixmap(QPixmap::fromImage(reader.read()));
        }
    }
    return icon;
}

QIcon QtStatusItem::icon() const {
    const auto source = symbolIcon(QString::fromStdString(shown));
    return source.isNull() ? QIcon() : tinted(source);
}

void QtStatusItem::showSymbol(const std::string& symbolName,
                              const std::string& accessibilityDescription) {
    shown = symbolName;
    toolTip = QString::fromStdString(accessibilityDescription);
    if (tray) {
        tray->setIcon(icon());
        tray->setToolTip(toolTip);
    }
}

void QtStatusItem::attachMenu(Menu& attached) {
    if (auto* qtMenu = dynamic_cast<QtMenu*>(&attached)) {
        menu = qtMenu->widget();
        if (tray) {
            tray->setContextMenu(menu);
        }
    }
}

bool QtStatusItem::barAvailable() {
    return SystemTrayProbe::statusNotifierHost() || SystemTrayProbe::xembedManager();
}

void QtStatusItem::observeBar(std::function<void()> appeared) {
    QObject::disconnect(&lookForBar, nullptr, nullptr, nullptr);
    QObject::connect(&lookForBar, &QTimer::timeout,
                     [this, appeared = std::move(appeared), looks = 0]() mutable {
                         if (barAvailable()) {
                             lookForBar.stop();
                             appeared();
                         } else if (++looks == firstLookCount) {
                             lookForBar.setInterval(laterLooks);
                         }
                     });
    lookForBar.start(firstLooks);
}

void QtStatusItem::place() {
    if (tray) {
        return;
    }
    lookForBar.stop();
    tray = std::make_unique<QSystemTrayIcon>();
    tray->setIcon(icon());
    tray->setToolTip(toolTip);
    if (menu) {
        // Exported over DBusMenu to a StatusNotifierItem host, which asks for it fresh (the
        // menu's aboutToShow) each time it opens it on a right click.
        tray->setContextMenu(menu);
    }
    // A left click opens the menu, as a click on a menu-bar item does, on every tray: Qt's
    // StatusNotifierItem says it is no menu only, so Plasma sends Activate for a left click and
    // leaves the menu to the app. A middle click does nothing.
    QObject::connect(tray.get(), &QSystemTrayIcon::activated, [this](auto reason) {
        if (reason == QSystemTrayIcon::Trigger && menu && !menu->isVisible()) {
            menu->popup(QCursor::pos());
        }
    });
    tray->show();
}

} // namespace sonifix
