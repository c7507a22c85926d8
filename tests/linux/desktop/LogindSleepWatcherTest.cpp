#include "platform/linux/LogindSleepWatcher.h"

#include "EventLoop.h"
#include "PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <gtest/gtest.h>
#include <thread>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using testing::pumpFor;
using testing::pumpUntil;

QDBusMessage prepareForSleep(bool sleeping) {
    auto signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                             QStringLiteral("org.freedesktop.login1.Manager"),
                                             QStringLiteral("PrepareForSleep"));
    signal << sleeping;
    return signal;
}

TEST(LogindSleepWatcher, OnlyLogindsWakeReachesTheHandlerOnTheMainThread) {
    testing::PrivateBus bus;
    auto app = bus.connect("app");
    auto logind = bus.connect("logind");
    auto stranger = bus.connect("stranger");
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));

    int wakes = 0;
    std::thread::id wokenOn;
    LogindSleepWatcher watcher(
        [&] {
            ++wakes;
            wokenOn = std::this_thread::get_id();
        },
        app);
    // A round trip on the app's connection: its match rule is in place once this returns.
    app.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.login1"));

    ASSERT_TRUE(stranger.send(prepareForSleep(false)));
    ASSERT_TRUE(logind.send(prepareForSleep(true)));
    pumpFor(300ms);
    EXPECT_EQ(wakes, 0);

    ASSERT_TRUE(logind.send(prepareForSleep(false)));
    EXPECT_TRUE(pumpUntil([&] { return wakes == 1; }));
    EXPECT_EQ(wokenOn, std::this_thread::get_id());
}

} // namespace
} // namespace sonifix
