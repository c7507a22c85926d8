#pragma once

#include "platform/FourCharCode.h"
#include "platform/HotKeys.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sonifix {

// One system-wide hot key: registered for as long as the object lives, running `action` on the
// main thread at each press. It must not move once made (the system holds its address).
class HotKey {
public:
    static constexpr std::intptr_t keyCodeR = 15; // the key at R's place on an ANSI layout
    static constexpr std::intptr_t controlOptionCommand = 0x1000 + 0x0800 + 0x0100;
    static constexpr HotKeyID identifier{fourCharCode("SNFX"), 1};
    static constexpr EventTypeSpec hotKeyPressed{fourCharCode("keyb"), 5};

    HotKey(HotKeys& system, std::intptr_t keyCode, std::intptr_t modifiers,
           std::function<void()> action);
    ~HotKey();
    HotKey(const HotKey&) = delete;
    HotKey& operator=(const HotKey&) = delete;

    // The keys that press it, where the user chose them (empty: none chosen yet); nothing when
    // they are the ones registered.
    std::optional<std::string> trigger() const;

    // The event handler the system calls, with the HotKey as user data.
    static HotKeyStatus handle(void* callRef, void* event, void* userData);

private:
    HotKeys& system;
    std::optional<HotKeyRef> hotKeyRef;
    std::optional<EventHandlerRef> handlerRef;
    std::function<void()> action;
};

} // namespace sonifix
