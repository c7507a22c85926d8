#include "QtWorkspace.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace sonifix {

void QtWorkspace::activateIgnoringOtherApps() {
    // A tray app has no window of its own to raise; its dialogs raise themselves when shown.
}

void QtWorkspace::terminate() {
    QCoreApplication::quit();
}

void QtWorkspace::observeWake(std::function<void()> handler) {
    watchers.push_back(std::make_unique<LogindSleepWatcher>(std::move(handler)));
}

void QtWorkspace::openURL(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void QtWorkspace::openApplication(const std::string& path) {
    QProcess::startDetached(QString::fromStdString(path), {});
}

void QtWorkspace::showAboutPanel(const AboutCredits& credits) {
    QMessageBox about;
    about.setWindowTitle(QStringLiteral("About Sonifix"));
    about.setIconPixmap(QApplication::windowIcon().pixmap(64, 64));
    about.setText(QStringLiteral("Sonifix %1").arg(QCoreApplication::applicationVersion()));
    about.setInformativeText(QString::fromStdString(credits.text));
    about.setTextFormat(Qt::PlainText);
    about.exec();
}

} // namespace sonifix
