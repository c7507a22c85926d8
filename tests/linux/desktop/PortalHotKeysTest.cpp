#include "platform/linux/PortalHotKeys.h"

#include "EventLoop.h"
#include "FakePortal.h"
#include "PrivateBus.h"

#include <gtest/gtest.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using testing::FakePortal;
using testing::PrivateBus;
using testing::pumpUntil;

constexpr std::uint32_t keyR = 15;
constexpr std::uint32_t controlOptionCommand = 0x1900;

HotKeyStatus countPress(void*, void*, void* userData) {
    ++*static_cast<int*>(userData);
    return 0;
}

TEST(PortalHotKeys, BindsThroughThePortalAndEachActivationReachesTheHandler) {
    PrivateBus bus;
    FakePortal portal(bus.connect(QStringLiteral("portal")));
    PortalHotKeys hotKeys("sonifix", bus.connect(QStringLiteral("app")));
    ASSERT_TRUE(hotKeys.available());

    int presses = 0;
    EventHandlerRef handler = nullptr;
    HotKeyRef hotKey = nullptr;
    ASSERT_EQ(hotKeys.installHandler(&countPress, {}, &presses, handler), 0);
    ASSERT_EQ(hotKeys.registerHotKey(keyR, controlOptionCommand, {}, 0, hotKey), 0);
    ASSERT_TRUE(pumpUntil([&] { return hotKeys.triggerDescription(hotKey).has_value(); }));
    EXPECT_EQ(hotKeys.triggerDescription(hotKey), "Ctrl+Alt+Super+R");
    EXPECT_EQ(portal.seen().preferredTrigger, QStringLiteral("CTRL+ALT+LOGO+r"));

    portal.press();
    EXPECT_TRUE(pumpUntil([&] { return presses == 1; }));
    portal.chooseTrigger(QStringLiteral("Shift+F12"));
    EXPECT_TRUE(pumpUntil([&] { return hotKeys.triggerDescription(hotKey) == "Shift+F12"; }));

    // Unregistered: the session closes and presses no longer count.
    EXPECT_EQ(hotKeys.unregisterHotKey(hotKey), 0);
    EXPECT_TRUE(pumpUntil([&] { return portal.seen().calls.contains(QStringLiteral("Close")); }));
    portal.press();
    testing::pumpFor(300ms);
    EXPECT_EQ(presses, 1);

    // Registered again, with keys the user picks otherwise: a fresh session, and its keys.
    portal.chooseTrigger(QStringLiteral("Ctrl+Alt+End"));
    ASSERT_EQ(hotKeys.registerHotKey(keyR, controlOptionCommand, {}, 0, hotKey), 0);
    EXPECT_TRUE(pumpUntil([&] { return hotKeys.triggerDescription(hotKey) == "Ctrl+Alt+End"; }));
    portal.press();
    EXPECT_TRUE(pumpUntil([&] { return presses == 2; }));
    // The app names itself once, before its first session: a portal refuses sessions otherwise.
    EXPECT_EQ(portal.seen().calls, QStringList({"Register", "CreateSession", "BindShortcuts",
                                                "Close", "CreateSession", "BindShortcuts"}));
}

} // namespace
} // namespace sonifix
