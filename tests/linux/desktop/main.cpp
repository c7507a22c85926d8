#include "PrivateBus.h"
#include "VirtualDisplay.h"

#include <QGuiApplication>
#include <cstdlib>
#include <gtest/gtest.h>

// One application object for the whole run, as the app has: on a private X display when the
// run may have one, on Qt's offscreen platform when it is told to do without X11.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    // The adapters' tests make their own buses; the application object gets one of the run's
    // own too, so that nothing reaches the session of the person running the tests.
    const sonifix::testing::PrivateBus sessionBus;
    sessionBus.becomeSessionBus();
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform) {
        sonifix::testing::VirtualDisplay::start();
        if (sonifix::testing::VirtualDisplay::unavailable()) {
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        }
    }
    // Qt's own event loop rather than GLib's: the same events, and one uninstrumented library
    // less under ThreadSanitizer.
    ::setenv("QT_NO_GLIB", "1", 1);
    int result = 0;
    {
        QGuiApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    sonifix::testing::VirtualDisplay::stop();
    return result;
}
