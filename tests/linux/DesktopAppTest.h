#pragma once

// The whole Linux app on its real adapters, with a private sound server and settings of its own,
// on the test program's private desktop. Every dialog it shows is read and answered at once, as
// a person who says no to everything would.

#include "EventLoop.h"
#include "LinuxApp.h"
#include "SoundServerHarness.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace sonifix::testing {

class DesktopAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto missing = SoundServerHarness::missingPrograms(ServerKind::pulseaudio);
            !missing.empty()) {
            GTEST_SKIP() << "not installed: " << missing.front();
        }
        server.emplace(ServerKind::pulseaudio);
        server->start();
        settingsPath = folder.filePath(QStringLiteral("Sonifix.ini"));
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (auto* dialog = QApplication::activeModalWidget()) {
                std::string words;
                for (const auto* label : dialog->findChildren<QLabel*>()) {
                    if (!label->text().isEmpty()) {
                        words += label->text().toStdString() + "\n";
                    }
                }
                dialogs.push_back(words);
                dialog->findChildren<QPushButton*>().back()->click();
            }
        });
        closer.start(20);
    }

    void setWelcomed(bool welcomed) {
        QSettings(settingsPath, QSettings::IniFormat)
            .setValue("welcomed", welcomed ? "true" : "false");
    }
    std::unique_ptr<LinuxApp> make(std::optional<std::chrono::milliseconds> trayWait = {}) {
        return std::make_unique<LinuxApp>(LinuxApp::Places{
            .settingsFile = settingsPath,
            .soundServer = server->serverAddress(),
            .session = server->session(),
            .autostartDirectory = folder.filePath(QStringLiteral("autostart")).toStdString(),
            .executable = "/usr/bin/sonifix",
            .trayWait = trayWait,
        });
    }
    std::unique_ptr<LinuxApp> launch(std::optional<std::chrono::milliseconds> trayWait = {}) {
        auto app = make(trayWait);
        app->launch();
        return app;
    }

    // The menu as it is about to show: rebuilt, as on every opening.
    static std::vector<std::string> menuTitles(LinuxApp& app) {
        emit app.menu.widget()->aboutToShow();
        std::vector<std::string> titles;
        for (const auto* action : app.menu.widget()->actions()) {
            titles.push_back(action->isSeparator() ? "---" : action->text().toStdString());
        }
        return titles;
    }
    static QAction* menuAction(LinuxApp& app, const QString& title) {
        // Opened and closed again, as a look at it would: alerts wait while the menu is open.
        emit app.menu.widget()->aboutToShow();
        emit app.menu.widget()->aboutToHide();
        for (auto* candidate : app.menu.widget()->actions()) {
            if (candidate->text().startsWith(title)) {
                return candidate;
            }
        }
        return nullptr;
    }

    QTemporaryDir folder;
    QString settingsPath;
    std::optional<SoundServerHarness> server;
    QTimer closer;
    std::vector<std::string> dialogs; // the words of each, in order
};

} // namespace sonifix::testing
