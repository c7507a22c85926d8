// Sonifix on a Linux desktop: the application object, the app, and Qt's event loop.

#include "LinuxApp.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonifix"));
    QApplication::setOrganizationName(QStringLiteral("Northfold"));
    QApplication::setApplicationVersion(QStringLiteral(SONIFIX_VERSION));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/hifispeaker.svg")));
    // Closing a dialog must not end a program that lives in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    sonifix::LinuxApp app;
    QTimer::singleShot(0, [&app] { app.launch(); });
    return QApplication::exec();
}
