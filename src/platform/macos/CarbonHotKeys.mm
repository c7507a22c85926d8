#include "CarbonHotKeys.h"

#include "support/CallbackBoundary.h"

#include <Carbon/Carbon.h>

namespace sonifix {

namespace {

// Carbon's handler type differs from the port's in its parameter types, so the port's function
// is called from here rather than handed to Carbon cast.
OSStatus dispatchHotKeyEvent(EventHandlerCallRef callRef, EventRef event, void* userData) {
    const auto* handler = static_cast<const CarbonHotKeys::Handler*>(userData);
    OSStatus status = eventNotHandledErr;
    callbackBoundary("the hot key handler",
                     [&] { status = handler->function(callRef, event, handler->userData); });
    return status;
}

} // namespace

CarbonHotKeys::~CarbonHotKeys() {
    // A handler still installed would call into records that are about to go.
    for (const auto& [handlerRef, handler] : handlers) {
        RemoveEventHandler(static_cast<::EventHandlerRef>(handlerRef));
    }
}

HotKeyStatus CarbonHotKeys::installHandler(HotKeyEventHandler handler, const EventTypeSpec& type,
                                           void* userData, EventHandlerRef& handlerRef) {
    auto record = std::make_unique<Handler>(Handler{handler, userData});
    const ::EventTypeSpec carbonType{type.eventClass, type.eventKind};
    ::EventHandlerRef installed = nullptr;
    const OSStatus status = InstallEventHandler(GetApplicationEventTarget(), dispatchHotKeyEvent, 1,
                                                &carbonType, record.get(), &installed);
    if (status == noErr) {
        handlerRef = installed;
        handlers.emplace(installed, std::move(record));
    }
    return status;
}

HotKeyStatus CarbonHotKeys::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                           const HotKeyID& id, std::uint32_t options,
                                           HotKeyRef& hotKeyRef) {
    const EventHotKeyID carbonID{id.signature, id.id};
    EventHotKeyRef registered = nullptr;
    const OSStatus status = RegisterEventHotKey(keyCode, modifiers, carbonID,
                                                GetApplicationEventTarget(), options, &registered);
    if (status == noErr) {
        hotKeyRef = registered;
    }
    return status;
}

HotKeyStatus CarbonHotKeys::unregisterHotKey(HotKeyRef hotKeyRef) {
    return UnregisterEventHotKey(static_cast<EventHotKeyRef>(hotKeyRef));
}

HotKeyStatus CarbonHotKeys::removeHandler(EventHandlerRef handlerRef) {
    const OSStatus status = RemoveEventHandler(static_cast<::EventHandlerRef>(handlerRef));
    // A handler Carbon still holds keeps its record.
    if (status == noErr) {
        handlers.erase(handlerRef);
    }
    return status;
}

} // namespace sonifix
