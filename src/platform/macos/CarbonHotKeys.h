#pragma once

#include "platform/HotKeys.h"

#include <map>
#include <memory>

namespace sonifix {

// Hot keys through the Carbon event manager, on the application's event target, whose events
// the main run loop dispatches.
class CarbonHotKeys final : public HotKeys {
public:
    CarbonHotKeys() = default;
    CarbonHotKeys(const CarbonHotKeys&) = delete;
    CarbonHotKeys& operator=(const CarbonHotKeys&) = delete;
    ~CarbonHotKeys() override;

    HotKeyStatus installHandler(HotKeyEventHandler handler, const EventTypeSpec& type,
                                void* userData, EventHandlerRef& handlerRef) override;
    HotKeyStatus registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, const HotKeyID& id,
                                std::uint32_t options, HotKeyRef& hotKeyRef) override;
    HotKeyStatus unregisterHotKey(HotKeyRef hotKeyRef) override;
    HotKeyStatus removeHandler(EventHandlerRef handlerRef) override;

    // What Carbon calls back with: the core's handler and its user data.
    struct Handler {
        HotKeyEventHandler function;
        void* userData;
    };

private:
    std::map<EventHandlerRef, std::unique_ptr<Handler>> handlers;
};

} // namespace sonifix
