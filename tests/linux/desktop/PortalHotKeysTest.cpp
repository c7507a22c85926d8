#include "platform/linux/PortalHotKeys.h"

#include "EventLoop.h"
#include "FakePortal.h"
#include "PrivateBus.h"
#include "hotkey/HotKey.h"

#include <gtest/gtest.h>
#include <memory>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using testing::pumpUntil;

TEST(PortalHotKeys, BindsThroughThePortalAndEachActivationReachesTheHandler) {
    testing::PrivateBus bus;
    testing::FakePortal portal(bus.connect(QStringLiteral("portal")));
    PortalHotKeys hotKeys("sonifix", bus.connect(QStringLiteral("app")));
    int presses = 0;
    const auto bind = [&] {
        return std::make_unique<HotKey>(hotKeys, HotKey::keyCodeR, HotKey::controlOptionCommand,
                                        [&] { ++presses; });
    };
    auto hotKey = bind();
    EXPECT_TRUE(pumpUntil([&] { return hotKey->trigger() == "Ctrl+Alt+Super+R"; }));

    portal.press();
    EXPECT_TRUE(pumpUntil([&] { return presses == 1; }));
    portal.chooseTrigger(QStringLiteral("Shift+F12"));
    EXPECT_TRUE(pumpUntil([&] { return hotKey->trigger() == "Shift+F12"; }));

    // Unregistered: the session closes and presses no longer count.
    hotKey.reset();
    EXPECT_TRUE(pumpUntil([&] { return portal.calls().contains(QStringLiteral("Close")); }));
    portal.press();
    testing::pumpFor(300ms);
    EXPECT_EQ(presses, 1);

    // Registered again, with keys the user picks otherwise: a fresh session, and its keys.
    portal.chooseTrigger(QStringLiteral("Ctrl+Alt+End"));
    hotKey = bind();
    EXPECT_TRUE(pumpUntil([&] { return hotKey->trigger() == "Ctrl+Alt+End"; }));
    portal.press();
    EXPECT_TRUE(pumpUntil([&] { return presses == 2; }));
    // The app names itself once, before its first session: a portal refuses sessions otherwise.
    // Each binding prefers the app's own keys, in the portal's notation.
    const auto bindShortcuts = QStringLiteral("BindShortcuts CTRL+ALT+LOGO+r");
    EXPECT_EQ(portal.calls(), QStringList({"Register sonifix", "CreateSession", bindShortcuts,
                                           "Close", "CreateSession", bindShortcuts}));
}

// At login the portal is often slower than the app, and it may restart during the session: the
// shortcut is bound once it answers, and bound again by the portal that comes back.
TEST(PortalHotKeys, APortalThatAnswersLateAndOneThatRestartsBothBindTheShortcut) {
    testing::PrivateBus bus;
    PortalHotKeys hotKeys("sonifix", bus.connect(QStringLiteral("app")));
    auto portal = std::make_unique<testing::FakePortal>(bus.connect(QStringLiteral("slow")), 6s);
    int presses = 0;
    HotKey hotKey(hotKeys, HotKey::keyCodeR, HotKey::controlOptionCommand, [&] { ++presses; });
    EXPECT_TRUE(hotKeys.available()) << "no answer yet is no refusal";
    EXPECT_TRUE(pumpUntil([&] { return hotKey.trigger() == "Ctrl+Alt+Super+R"; }, 15s));

    portal.reset();
    portal = std::make_unique<testing::FakePortal>(bus.connect(QStringLiteral("again")));
    portal->chooseTrigger(QStringLiteral("Super+F12"));
    EXPECT_TRUE(pumpUntil([&] { return hotKey.trigger() == "Super+F12"; }, 15s));
    portal->press();
    EXPECT_TRUE(pumpUntil([&] { return presses == 1; }));
    EXPECT_EQ(portal->calls().mid(0, 3),
              QStringList({"Register sonifix", "CreateSession",
                           QStringLiteral("BindShortcuts CTRL+ALT+LOGO+r")}));
    EXPECT_TRUE(hotKeys.available());
}

} // namespace
} // namespace sonifix
