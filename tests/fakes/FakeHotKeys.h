#pragma once

#include "platform/HotKeys.h"

#include <map>

namespace sonifix::testing {

// The event manager in memory: handlers and registrations by reference, and a press that calls
// every installed handler as the system would.
class FakeHotKeys final : public HotKeys {
public:
    struct Registration {
        std::uint32_t keyCode;
        std::uint32_t modifiers;
        HotKeyID id;
    };
    struct Handler {
        HotKeyEventHandler function;
        EventTypeSpec type;
        void* userData;
    };

    HotKeyStatus installHandler(HotKeyEventHandler handler, const EventTypeSpec& type,
                                void* userData, EventHandlerRef& handlerRef) override;
    HotKeyStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, const HotKeyID& id,
                                std::uint32_t options, HotKeyRef& hotKeyRef) override;
    HotKeyStatus unregisterHotKey(HotKeyRef hotKeyRef) override;
    HotKeyStatus removeHandler(EventHandlerRef handlerRef) override;

    bool available() override { return !unavailable; }
    std::optional<std::string> triggerDescription(HotKeyRef hotKeyRef) override {
        return registrations.contains(reinterpret_cast<std::uintptr_t>(hotKeyRef)) ? chosenTrigger
                                                                                   : std::nullopt;
    }

    // The combination is pressed: each handler gets the event; answers their statuses' sum.
    HotKeyStatus press();

    bool refuseRegistration = false;
    bool unavailable = false;                 // a session without system-wide shortcuts
    std::optional<std::string> chosenTrigger; // the keys the user chose in the desktop's settings
    std::map<std::uintptr_t, Registration> registrations;
    std::map<std::uintptr_t, Handler> handlers;
    int installedBeforeRegistered = 0; // registrations made while a handler was installed

private:
    std::uintptr_t next = 1;
};

} // namespace sonifix::testing
