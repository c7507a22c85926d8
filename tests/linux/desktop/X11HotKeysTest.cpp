#include "platform/linux/X11HotKeys.h"

#include "ChildProcess.h"
#include "EventLoop.h"
#include "hotkey/HotKey.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <xcb/xcb.h>

namespace sonifix {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::pumpFor;
using testing::pumpUntil;

constexpr std::uint16_t controlAltSuper = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

void press(const std::string& keys) {
    ASSERT_EQ(ChildProcess::run({"xdotool", "key", keys}), 0) << keys;
}

// Another program on the same display, which may hold the shortcut's keys itself.
class OtherClient {
public:
    OtherClient()
        : connection(xcb_connect(nullptr, nullptr)),
          root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root) {}
    ~OtherClient() { xcb_disconnect(connection); }

    // Whether the server lets this client grab every key with the modifiers (any, with
    // XCB_MOD_MASK_ANY): not while another client holds one of them so.
    bool grab(std::uint16_t modifiers) {
        auto* error = xcb_request_check(
            connection, xcb_grab_key_checked(connection, 1, root, modifiers, XCB_GRAB_ANY,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        std::free(error);
        return error == nullptr;
    }
    void ungrabAll() {
        xcb_ungrab_key(connection, XCB_GRAB_ANY, root, XCB_MOD_MASK_ANY);
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }

private:
    xcb_connection_t* connection;
    xcb_window_t root;
};

HotKeyStatus count(void* /*callRef*/, void* /*event*/, void* counter) {
    ++*static_cast<int*>(counter);
    return 0;
}

TEST(X11HotKeys, TheGrabIsWholeOrNoneAndEachPressReachesEveryHandlerOnceOnTheMainThread) {
    if (!std::getenv("DISPLAY")) {
        GTEST_SKIP() << "This run has no X display (QT_QPA_PLATFORM=offscreen)";
    }
    sonifix::X11HotKeys keys;
    int counted = 0;
    EventHandlerRef handler = nullptr;
    ASSERT_EQ(keys.installHandler(&count, HotKey::hotKeyPressed, &counted, handler), 0);

    // Another program holds only the Caps Lock variant: the shortcut fails whole.
    OtherClient other;
    ASSERT_TRUE(other.grab(controlAltSuper | XCB_MOD_MASK_LOCK));
    HotKeyRef registration = nullptr;
    EXPECT_EQ(keys.registerHotKey(15, 6400, HotKey::identifier, 0, registration),
              sonifix::X11HotKeys::eventHotKeyExistsErr);
    press("ctrl+alt+super+r");
    pumpFor(300ms);
    EXPECT_EQ(counted, 0);
    // No variant was kept: once the other program lets go, it may have every key with any
    // modifiers.
    other.ungrabAll();
    EXPECT_TRUE(other.grab(XCB_MOD_MASK_ANY));
    other.ungrabAll();
    // A key the port has no X11 name for is refused, not guessed.
    EXPECT_EQ(keys.registerHotKey(16, 6400, HotKey::identifier, 0, registration),
              sonifix::X11HotKeys::paramErr);

    int presses = 0;
    std::thread::id pressedOn;
    auto hotKey =
        std::make_unique<HotKey>(keys, HotKey::keyCodeR, HotKey::controlOptionCommand, [&] {
            ++presses;
            pressedOn = std::this_thread::get_id();
        });
    press("ctrl+alt+super+r");
    EXPECT_TRUE(pumpUntil([&] { return presses == 1; }));
    pumpFor(200ms);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(pressedOn, std::this_thread::get_id());

    for (const std::string lock : {"Caps_Lock", "Num_Lock"}) {
        press(lock);
        press("ctrl+alt+super+r");
        press(lock);
    }
    EXPECT_TRUE(pumpUntil([&] { return presses == 3; }));
    EXPECT_EQ(counted, 3);

    // Unregistered: a press does nothing, and another program may have the keys.
    EXPECT_FALSE(other.grab(controlAltSuper));
    hotKey.reset();
    press("ctrl+alt+super+r");
    pumpFor(300ms);
    EXPECT_EQ(presses, 3);
    EXPECT_TRUE(other.grab(XCB_MOD_MASK_ANY));
}

} // namespace
} // namespace sonifix
