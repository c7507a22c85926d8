#pragma once

#include <cstdint>
#include <optional>
#include <string>

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

    // Whether this session lets an app have a system-wide shortcut at all. Where it does not,
    // registering fails and no press ever arrives.
    virtual bool available() { return true; }

    // The keys that press a registered hot key, as the desktop words them, where the desktop
    // lets the user choose other keys than the app asked for; empty when the user has chosen
    // none. Nothing when the hot key is pressed as registered.
    virtual std::optional<std::string> triggerDescription(HotKeyRef /*hotKeyRef*/) {
        return std::nullopt;
    }
};

} // namespace sonifix
