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
        std::shared_ptr<Result> result;
        std::exception_ptr error;
        try {
            result = std::make_shared<Result>(work(stop));
        } catch (...) {
            error = std::current_exception();
        }
        // The outcome is handed over whole, after the exception has left its handler here: no
        // reference to it stays on this thread, so it ends on the main thread after its reader.
        if (error) {
            mainQueue.post(
                [failed = std::move(failed), error = std::move(error)] { failed(error); });
        } else {
            mainQueue.post([succeeded = std::move(succeeded), result = std::move(result)] {
                succeeded(*result);
            });
        }
    });
}

} // namespace sonifix
