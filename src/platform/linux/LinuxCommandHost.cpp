#include "LinuxCommandHost.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

namespace sonifix {

int LinuxCommandHost::runApp() {
    LinuxApp app(places);
    instance.serve(app.delegate);
    QTimer::singleShot(0, [&app] { app.launch(); });
    return QApplication::exec();
}

RestartResult LinuxCommandHost::restartHere() {
    LinuxApp app(places);
    app.delegate->registerSettingDefaults();
    RestartResult outcome;
    QEventLoop loop;
    bool ended = false;
    app.delegate->restartAndReport([&](const RestartResult& reported) {
        outcome = reported;
        ended = true;
        loop.quit();
    });
    if (!ended) {
        loop.exec();
    }
    return outcome;
}

AppStatus LinuxCommandHost::statusHere() {
    LinuxApp app(places);
    app.delegate->registerSettingDefaults();
    return app.delegate->status();
}

} // namespace sonifix
