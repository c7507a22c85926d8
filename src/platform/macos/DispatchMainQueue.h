#pragma once

#include "platform/MainQueue.h"

namespace sonifix {

// The main dispatch queue, which the NSApplication event loop drains.
class DispatchMainQueue final : public MainQueue {
public:
    void post(Block block) override;
    void postAfter(std::chrono::milliseconds delay, Block block) override;
    bool isMainThread() const override;
};

} // namespace sonifix
