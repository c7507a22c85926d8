#pragma once

#include "platform/HotKeys.h"

#include <cstdint>
#include <map>
#include <vector>

namespace sonifix {

// The handlers installed for a desktop's hot keys, all called when one is pressed. Main thread
// only.
class HotKeyHandlers {
public:
    static constexpr HotKeyStatus paramErr = -50;

    HotKeyStatus install(HotKeyEventHandler handler, void* userData, EventHandlerRef& handlerRef) {
        if (!handler) {
            return paramErr;
        }
        const auto ref = nextRef++;
        handlers[ref] = {handler, userData};
        handlerRef = reinterpret_cast<EventHandlerRef>(ref);
        return 0;
    }

    HotKeyStatus remove(EventHandlerRef handlerRef) {
        return handlers.erase(reinterpret_cast<std::uintptr_t>(handlerRef)) == 1 ? 0 : paramErr;
    }

    void pressed() {
        // A handler may remove handlers, itself included: each is looked up again before its
        // call.
        std::vector<std::uintptr_t> refs;
        for (const auto& [ref, handler] : handlers) {
            refs.push_back(ref);
        }
        for (const auto ref : refs) {
            const auto found = handlers.find(ref);
            if (found != handlers.end()) {
                found->second.function(nullptr, nullptr, found->second.userData);
            }
        }
    }

private:
    struct Handler {
        HotKeyEventHandler function = nullptr;
        void* userData = nullptr;
    };

    std::map<std::uintptr_t, Handler> handlers;
    std::uintptr_t nextRef = 1;
};

} // namespace sonifix
