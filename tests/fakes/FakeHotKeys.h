#pragma once

#include "platform/HotKeys.h"

#include <map>

namespace sonifix::testing {

// The event manager in memory: handlers and registrations by reference, and a press that calls
// every installed handler as the system would.
class FakeHotKeys final : public HotKeys {
public:
    struct Registration {
        std::uint32_t keyCode, modifiers;
    };
    struct Handler {
        HotKeyEventHandler function;
        EventTypeSpec type;
        void* userData;
    };

    HotKeyStatus installHandler(HotKeyEventHandler handler, const EventTypeSpec& type,
                                void* userData, EventHandlerRef& handlerRef) override {
        handlers[next] = {handler, type, userData};
        handlerRef = reinterpret_cast<EventHandlerRef>(next++);
        return 0;
    }
    HotKeyStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, const HotKeyID&,
                                std::uint32_t, HotKeyRef& hotKeyRef) override {
        if (refuseRegistration) {
            return -9860; // eventAlreadyPostedErr
        }
        installedBeforeRegistered += handlers.empty() ? 0 : 1;
        registrations[next] = {keyCode, modifiers};
        hotKeyRef = reinterpret_cast<HotKeyRef>(next++);
        return 0;
    }
    HotKeyStatus unregisterHotKey(HotKeyRef ref) override { return forget(registrations, ref); }
    HotKeyStatus removeHandler(EventHandlerRef ref) override { return forget(handlers, ref); }
    bool available() override { return !unavailable; }
    std::optional<std::string> triggerDescription(HotKeyRef ref) override {
        return registrations.contains(std::uintptr_t(ref)) ? chosenTrigger : std::nullopt;
    }

    // The combination is pressed: each handler gets the event; answers their statuses' sum.
    HotKeyStatus press() {
        HotKeyStatus sum = 0;
        for (const auto& [ref, handler] : registrations.empty() ? decltype(handlers){} : handlers) {
            sum += handler.function(nullptr, nullptr, handler.userData);
        }
        return sum;
    }

    bool refuseRegistration = false;
    bool unavailable = false;                 // a session without system-wide shortcuts
    std::optional<std::string> chosenTrigger; // the keys the user chose in the desktop's settings
    std::map<std::uintptr_t, Registration> registrations;
    std::map<std::uintptr_t, Handler> handlers;
    int installedBeforeRegistered = 0; // registrations made while a handler was installed

private:
    static HotKeyStatus forget(auto& table, void* ref) {
        return table.erase(std::uintptr_t(ref)) ? 0 : -50; // paramErr
    }

    std::uintptr_t next = 1;
};

} // namespace sonifix::testing
