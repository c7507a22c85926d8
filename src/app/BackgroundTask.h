#pragma once

#include "platform/BackgroundExecutor.h"
#include "platform/MainQueue.h"

#include <exception>
#include <functional>
#include <memory>

namespace sonifix {

// Runs `work` off the main thread, then, on the main thread, hands its value to `succeeded`
// or what it threw to `failed`. Whatever the callbacks capture lives until they have run.
template <class Result>
void runInBackground(BackgroundExecutor& background, MainQueue& mainQueue,
                     std::function<Result(StopToken)> work, std::function<void(Result)> succeeded,
                     std::function<void(std::exception_ptr)> failed) {
    background.submit([&mainQueue, work = std::move(work), succeeded = std::move(succeeded),
                       failed = std::move(failed)](StopToken stop) mutable {
        try {
            auto result = std::make_shared<Result>(work(stop));
            mainQueue.post([succeeded = std::move(succeeded), result] { succeeded(*result); });
        } catch (...) {
            mainQueue.post(
                [failed = std::move(failed), error = std::current_exception()] { failed(error); });
        }
    });
}

} // namespace sonifix
