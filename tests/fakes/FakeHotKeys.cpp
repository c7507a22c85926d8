#include "FakeHotKeys.h"

#include <vector>

namespace sonifix::testing {

namespace {

constexpr HotKeyStatus eventAlreadyPosted = -9860;

} // namespace

HotKeyStatus FakeHotKeys::installHandler(HotKeyEventHandler handler, const EventTypeSpec& type,
                                         void* userData, EventHandlerRef& handlerRef) {
    const auto ref = next++;
    handlers[ref] = {handler, type, userData};
    handlerRef = reinterpret_cast<EventHandlerRef>(ref);
    return 0;
}

HotKeyStatus FakeHotKeys::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                         const HotKeyID& id, std::uint32_t /*options*/,
                                         HotKeyRef& hotKeyRef) {
    if (refuseRegistration) {
        return eventAlreadyPosted;
    }
    if (!handlers.empty()) {
        ++installedBeforeRegistered;
    }
    const auto ref = next++;
    registrations[ref] = {keyCode, modifiers, id};
    hotKeyRef = reinterpret_cast<HotKeyRef>(ref);
    return 0;
}

HotKeyStatus FakeHotKeys::unregisterHotKey(HotKeyRef hotKeyRef) {
    return registrations.erase(reinterpret_cast<std::uintptr_t>(hotKeyRef)) ? 0 : -50;
}

HotKeyStatus FakeHotKeys::removeHandler(EventHandlerRef handlerRef) {
    return handlers.erase(reinterpret_cast<std::uintptr_t>(handlerRef)) ? 0 : -50;
}

HotKeyStatus FakeHotKeys::press() {
    if (registrations.empty()) {
        return 0;
    }
    std::vector<Handler> current;
    for (const auto& [ref, handler] : handlers) {
        current.push_back(handler);
    }
    HotKeyStatus sum = 0;
    for (const auto& handler : current) {
        sum += handler.function(nullptr, nullptr, handler.userData);
    }
    return sum;
}

} // namespace sonifix::testing
