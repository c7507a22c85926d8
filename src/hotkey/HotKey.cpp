#include "HotKey.h"

namespace sonifix {

HotKey::HotKey(HotKeys& system, std::intptr_t keyCode, std::intptr_t modifiers,
               std::function<void()> action)
    : system(system), action(std::move(action)) {
    // The handler goes in first, so that no press can arrive with nobody to take it.
    EventHandlerRef installed = nullptr;
    if (system.installHandler(&HotKey::handle, hotKeyPressed, this, installed) == 0) {
        handlerRef = installed;
    }
    HotKeyRef registered = nullptr;
    if (system.registerHotKey(std::uint32_t(keyCode), std::uint32_t(modifiers), identifier, 0,
                              registered) == 0) {
        hotKeyRef = registered;
    }
}

HotKey::~HotKey() {
    if (hotKeyRef) {
        system.unregisterHotKey(*hotKeyRef);
    }
    if (handlerRef) {
        system.removeHandler(*handlerRef);
    }
}

std::optional<std::string> HotKey::trigger() const {
    return hotKeyRef ? system.triggerDescription(*hotKeyRef) : std::nullopt;
}

HotKeyStatus HotKey::handle(void* /*callRef*/, void* /*event*/, void* userData) {
    if (userData) {
        static_cast<HotKey*>(userData)->action();
    }
    return 0;
}

} // namespace sonifix
