// Sonifix on a Linux desktop: the application object, then the command line, which runs the
// app or one command.

#include "DBusSingleInstance.h"
#include "LinuxCommandHost.h"
#include "QtStatusItem.h"
#include "app/CommandLine.h"

#include <QApplication>
#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // A command shows nothing, so it needs no display (and runs where there is none, over ssh).
    if (!arguments.empty()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonifix"));
    QApplication::setOrganizationName(QStringLiteral("Northfold"));
    QApplication::setApplicationVersion(QStringLiteral(SONIFIX_VERSION));
    // For the title bars of its few dialogs, where a symbol is seldom drawn larger than this.
    QApplication::setWindowIcon(
        sonifix::QtStatusItem::symbolIcon(QStringLiteral("hifispeaker"), 64));
    // Closing a dialog must not end a program that lives in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    sonifix::DBusSingleInstance instance;
    sonifix::LinuxCommandHost host(instance);
    sonifix::CommandLine commandLine(instance, host, SONIFIX_VERSION);
    return commandLine.run(arguments, std::cout, std::cerr);
}
