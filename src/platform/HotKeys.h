#pragma once

#include <cstdint>

namespace sonifix {

using HotKeyStatus = std::int32_t;
using HotKeyRef = void*;
using EventHandlerRef = void*;

// Called for every hot-key event sent to the app, on the main thread.
using HotKeyEventHandler = HotKeyStatus (*)(void* callRef, void* event, void* userData);

struct EventTypeSpec {
    std::uint32_t eventClass = 0;
    std::uint32_t eventKind = 0;
};

struct HotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
};

// System-wide hot keys, in the shape of the Carbon event manager. Status 0 is success; a failed
// call leaves its out-parameter untouched. Main thread only. Never throws.
class HotKeys {
public:
    virtual ~HotKeys() = default;

    virtual HotKeyStatus installHandler(HotKeyEventHandler handler, const EventTypeSpec& type,
                                        void* userData, EventHandlerRef& handlerRef) = 0;

    // `modifiers` are Carbon's bits: cmdKey 0x0100, optionKey 0x0800, controlKey 0x1000.
    virtual HotKeyStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                        const HotKeyID& id, std::uint32_t options,
                                        HotKeyRef& hotKeyRef) = 0;

    virtual HotKeyStatus unregisterHotKey(HotKeyRef hotKeyRef) = 0;

    virtual HotKeyStatus removeHandler(EventHandlerRef handlerRef) = 0;
};

} // namespace sonifix
