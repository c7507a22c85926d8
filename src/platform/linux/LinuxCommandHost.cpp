#include "LinuxCommandHost.h"

#include "QuitSignals.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

namespace sonifix {

int LinuxCommandHost::runApp() {
    // As Quit does: the app's teardown sees a restart under way to its end, and a second signal
    // does not cut that short.
    const QuitSignals quitSignals([] { QCoreApplication::quit(); });
    LinuxApp app(places);
    instance.serve(app.delegate);
    QTimer::singleShot(0, [&app] { app.launch(); });
    return QApplication::exec();
}

RestartResult LinuxCommandHost::restartHere() {
    LinuxApp app(places);
    app.delegate->serveOneCommand();
    instance.serve(app.delegate);
    RestartResult outcome;
    QEventLoop loop;
    bool ended = false;
    // The restart is stopped, which brings back what it had stopped; its outcome then follows.
    const QuitSignals quitSignals([&app] { app.background.stopAll(); });
    app.delegate->restartAndReport([&](const RestartResult& reported) {
        outcome = reported;
        ended = true;
        loop.quit();
    });
    if (!ended) {
        loop.exec();
    }
    // From here on, whoever asks waits for this process to go.
    instance.serve({});
    return outcome;
}

AppStatus LinuxCommandHost::statusHere() {
    LinuxApp app(places);
    app.delegate->registerSettingDefaults();
    return app.delegate->status();
}

} // namespace sonifix
