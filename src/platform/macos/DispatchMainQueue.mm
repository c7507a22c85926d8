#include "DispatchMainQueue.h"

#include "support/CallbackBoundary.h"

#import <Foundation/Foundation.h>
#include <dispatch/dispatch.h>

namespace sonifix {

void DispatchMainQueue::post(Block block) {
    dispatch_async(dispatch_get_main_queue(), ^{
      callbackBoundary("a block on the main queue", block);
    });
}

void DispatchMainQueue::postAfter(std::chrono::milliseconds delay, Block block) {
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(delay);
    dispatch_after(dispatch_time(DISPATCH_TIME_NOW, std::int64_t(nanoseconds.count())),
                   dispatch_get_main_queue(), ^{
                     callbackBoundary("a timer on the main queue", block);
                   });
}

bool DispatchMainQueue::isMainThread() const {
    return [NSThread isMainThread];
}

} // namespace sonifix
