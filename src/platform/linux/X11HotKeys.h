#pragma once

#include "HotKeyHandlers.h"
#include "platform/HotKeys.h"

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <map>
#include <vector>

struct xcb_connection_t;

namespace sonifix {

// The global shortcut on X11: a passive key grab on the root window of the app's own display
// connection, read by a native event filter, so presses arrive on the main thread like every
// other event. Caps Lock and Num Lock do not change what counts as the shortcut. Needs a
// running QGuiApplication on the xcb platform; elsewhere (Wayland, no display) registering
// fails and the shortcut does nothing. It borrows Qt's display connection, so it must go before
// the application object does.
class X11HotKeys final : public HotKeys, private QAbstractNativeEventFilter {
public:
    // Carbon's statuses for what can go wrong here.
    static constexpr HotKeyStatus paramErr = -50;               // a key or modifier X11 can't name
    static constexpr HotKeyStatus eventInternalErr = -9868;     // no X11 display to grab on
    static constexpr HotKeyStatus eventHotKeyExistsErr = -9878; // another client has it

    X11HotKeys();
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;

    HotKeyStatus installHandler(HotKeyEventHandler handler, const EventTypeSpec& type,
                                void* userData, EventHandlerRef& handlerRef) override;
    // Knows the R key (Carbon key code 15) and Carbon's shift, control, option and command bits.
    HotKeyStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, const HotKeyID& id,
                                std::uint32_t options, HotKeyRef& hotKeyRef) override;
    HotKeyStatus unregisterHotKey(HotKeyRef hotKeyRef) override;
    HotKeyStatus removeHandler(EventHandlerRef handlerRef) override;
    // Only on an X11 display connection.
    bool available() override { return connection && root != 0; }

private:
    struct Grab {
        std::vector<std::uint8_t> keycodes;
        std::uint16_t modifiers = 0;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void ungrab(const Grab& grab);

    xcb_connection_t* connection = nullptr;
    std::uint32_t root = 0;
    std::map<std::uintptr_t, Grab> grabs;
    HotKeyHandlers handlers;
    std::uintptr_t nextRef = 1;
    std::uint8_t heldKeycode = 0; // the shortcut's key while it is down, to tell repeats apart
};

} // namespace sonifix
