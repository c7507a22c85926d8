#include "X11HotKeys.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <X11/keysym.h>
#include <array>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace sonifix {

namespace {

constexpr std::uint32_t carbonKeyR = 15;
constexpr std::uint32_t carbonCmdKey = 0x0100;
constexpr std::uint32_t carbonShiftKey = 0x0200;
constexpr std::uint32_t carbonOptionKey = 0x0800;
constexpr std::uint32_t carbonControlKey = 0x1000;

// Caps Lock and Num Lock are states, not part of the combination: each grab is made once with
// every mix of the two.
constexpr std::array<std::uint16_t, 4> lockVariants{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                                    XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

constexpr std::uint16_t modifierBits = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK |
                                       XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_2 |
                                       XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

struct KeySymbolsFree {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};

} // namespace

X11HotKeys::X11HotKeys() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) {
        return;
    }
    connection = x11->connection();
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const auto screen = xcb_setup_roots_iterator(setup);
    // The grab goes on the root window of the screen Qt draws on, the first one.
    root = screen.rem > 0 ? screen.data->root : 0;
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11HotKeys::~X11HotKeys() {
    if (!connection) {
        return;
    }
    for (const auto& [ref, grab] : grabs) {
        ungrab(grab);
    }
    xcb_flush(connection);
    if (auto* app = QCoreApplication::instance()) {
        app->removeNativeEventFilter(this);
    }
}

HotKeyStatus X11HotKeys::installHandler(HotKeyEventHandler handler, const EventTypeSpec& /*type*/,
                                        void* userData, EventHandlerRef& handlerRef) {
    return handlers.install(handler, userData, handlerRef);
}

HotKeyStatus X11HotKeys::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                        const HotKeyID& /*id*/, std::uint32_t /*options*/,
                                        HotKeyRef& hotKeyRef) {
    if (!connection || root == 0) {
        return eventInternalErr;
    }
    const std::uint32_t known = carbonCmdKey | carbonShiftKey | carbonOptionKey | carbonControlKey;
    if (keyCode != carbonKeyR || (modifiers & ~known) != 0) {
        return paramErr;
    }
    Grab grab;
    if (modifiers & carbonShiftKey) {
        grab.modifiers |= XCB_MOD_MASK_SHIFT;
    }
    if (modifiers & carbonControlKey) {
        grab.modifiers |= XCB_MOD_MASK_CONTROL;
    }
    if (modifiers & carbonOptionKey) {
        grab.modifiers |= XCB_MOD_MASK_1; // Alt
    }
    if (modifiers & carbonCmdKey) {
        grab.modifiers |= XCB_MOD_MASK_4; // Super, where the Command key sits on a PC keyboard
    }

    // The key that types r on the user's layout, as Carbon's key code 15 is R's place.
    const std::unique_ptr<xcb_key_symbols_t, KeySymbolsFree> symbols(
        xcb_key_symbols_alloc(connection));
    if (symbols) {
        std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(
            xcb_key_symbols_get_keycode(symbols.get(), XK_r), &std::free);
        for (auto* code = codes.get(); code && *code != XCB_NO_SYMBOL; ++code) {
            grab.keycodes.push_back(*code);
        }
    }
    if (grab.keycodes.empty()) {
        return paramErr;
    }

    std::vector<xcb_void_cookie_t> cookies;
    for (const auto keycode : grab.keycodes) {
        for (const auto locks : lockVariants) {
            cookies.push_back(xcb_grab_key_checked(connection, 1, root, grab.modifiers | locks,
                                                   keycode, XCB_GRAB_MODE_ASYNC,
                                                   XCB_GRAB_MODE_ASYNC));
        }
    }
    bool refused = false;
    for (const auto cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            refused = true;
            std::free(error);
        }
    }
    if (refused) {
        // Another client holds at least one of the variants. Half a shortcut (one that works
        // only with Caps Lock on, say) would puzzle more than none, so every variant goes.
        // Ungrabbing one we never held does not touch the other client's grab.
        ungrab(grab);
        xcb_flush(connection);
        return eventHotKeyExistsErr;
    }
    const auto ref = nextRef++;
    grabs[ref] = std::move(grab);
    hotKeyRef = reinterpret_cast<HotKeyRef>(ref);
    return 0;
}

HotKeyStatus X11HotKeys::unregisterHotKey(HotKeyRef hotKeyRef) {
    const auto found = grabs.find(reinterpret_cast<std::uintptr_t>(hotKeyRef));
    if (found == grabs.end()) {
        return paramErr;
    }
    ungrab(found->second);
    xcb_flush(connection);
    grabs.erase(found);
    return 0;
}

HotKeyStatus X11HotKeys::removeHandler(EventHandlerRef handlerRef) {
    return handlers.remove(handlerRef);
}

void X11HotKeys::ungrab(const Grab& grab) {
    for (const auto keycode : grab.keycodes) {
        for (const auto locks : lockVariants) {
            xcb_ungrab_key(connection, keycode, root, grab.modifiers | locks);
        }
    }
}

bool X11HotKeys::nativeEventFilter(const QByteArray& eventType, void* message,
                                   qintptr* /*result*/) {
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const auto type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) {
        return false;
    }
    // Press and release events share one layout.
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (key->event != root) {
        return false;
    }
    if (type == XCB_KEY_RELEASE) {
        if (key->detail != heldKeycode) {
            return false;
        }
        heldKeycode = 0;
        return true;
    }
    const std::uint16_t held =
        key->state & modifierBits & ~std::uint16_t(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2);
    bool ours = false;
    for (const auto& [ref, grab] : grabs) {
        for (const auto keycode : grab.keycodes) {
            ours = ours || (keycode == key->detail && grab.modifiers == held);
        }
    }
    if (!ours) {
        return false;
    }
    // A key held down repeats its press; the shortcut counts once per press, as on macOS.
    if (key->detail == heldKeycode) {
        return true;
    }
    heldKeycode = key->detail;
    handlers.pressed();
    return true;
}

} // namespace sonifix
