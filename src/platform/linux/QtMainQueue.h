#pragma once

#include "platform/MainQueue.h"

namespace sonifix {

// The Qt application's event loop as the main queue. Make it on the main thread, after the
// application object.
class QtMainQueue final : public MainQueue {
public:
    void post(Block block) override;
    void postAfter(std::chrono::milliseconds delay, Block block) override;
    bool isMainThread() const override;
};

} // namespace sonifix
