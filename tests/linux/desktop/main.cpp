#include "PrivateDesktop.h"

#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

// One application object for the whole run, as the app has: on the private desktop's X display,
// or on Qt's offscreen platform when the run is told to do without X11.
int main(int argc, char** argv) {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    sonifix::testing::PrivateDesktop::enter(
        argc, argv, {.display = !platform || std::strcmp(platform, "offscreen") != 0});
    ::testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
