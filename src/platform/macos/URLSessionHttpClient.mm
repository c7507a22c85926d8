#include "URLSessionHttpClient.h"

#import "FoundationStrings.h"
#include "support/CallbackBoundary.h"

#import <Foundation/Foundation.h>
#include <dispatch/dispatch.h>
#include <mutex>

namespace sonifix {

using macos::toNSString;
using macos::toStdString;

// The tasks in flight, shared with every sender, so that the client's end can cancel them
// while their senders wait.
struct URLSessionHttpClient::Running {
    std::mutex mutex;
    NSMutableSet<NSURLSessionTask*>* tasks = [[NSMutableSet alloc] init];
    bool closed = false;
};

namespace {

struct Outcome {
    std::optional<HttpResponse> response;
    std::string error;
};

std::string describe(NSInteger code) {
    return toStdString(
        [NSError errorWithDomain:NSURLErrorDomain code:code userInfo:nil].localizedDescription);
}

} // namespace

URLSessionHttpClient::URLSessionHttpClient() : running(std::make_shared<Running>()) {}

URLSessionHttpClient::~URLSessionHttpClient() {
    const std::lock_guard lock(running->mutex);
    running->closed = true;
    for (NSURLSessionTask* task in running->tasks) {
        [task cancel];
    }
}

HttpResult URLSessionHttpClient::send(const HttpRequest& request) {
    // Kept by the sender: the client may end while its request runs.
    const auto inFlight = running;
    @autoreleasepool {
        NSURL* url = [NSURL URLWithString:toNSString(request.url)];
        if (url == nil) {
            return {.response = std::nullopt, .transportError = describe(NSURLErrorBadURL)};
        }
        const auto seconds = double(request.timeout.count());
        NSMutableURLRequest* urlRequest =
            [NSMutableURLRequest requestWithURL:url
                                    cachePolicy:NSURLRequestReloadIgnoringLocalCacheData
                                timeoutInterval:seconds];
        urlRequest.HTTPMethod = toNSString(request.method);
        for (const auto& [name, value] : request.headers) {
            [urlRequest setValue:toNSString(value) forHTTPHeaderField:toNSString(name)];
        }
        if (!request.body.empty()) {
            urlRequest.HTTPBody = [NSData dataWithBytes:request.body.data()
                                                 length:request.body.size()];
        }

        const auto outcome = std::make_shared<Outcome>();
        dispatch_semaphore_t done = dispatch_semaphore_create(0);
        NSURLSessionDataTask* task = [NSURLSession.sharedSession
            dataTaskWithRequest:urlRequest
              completionHandler:^(NSData* data, NSURLResponse* response, NSError* error) {
                callbackBoundary("an HTTP completion", [&] {
                    if (error != nil) {
                        outcome->error = toStdString(error.localizedDescription);
                        return;
                    }
                    HttpResponse answer;
                    if ([response isKindOfClass:[NSHTTPURLResponse class]]) {
                        answer.status = int(((NSHTTPURLResponse*)response).statusCode);
                    }
                    if (data != nil) {
                        answer.body.assign(static_cast<const char*>(data.bytes), data.length);
                    }
                    outcome->response = std::move(answer);
                });
                dispatch_semaphore_signal(done);
              }];
        {
            const std::lock_guard lock(inFlight->mutex);
            if (inFlight->closed) {
                return {.response = std::nullopt, .transportError = describe(NSURLErrorCancelled)};
            }
            [inFlight->tasks addObject:task];
        }
        [task resume];
        // The request's time-out ends a silent connection; this one ends a slow trickle, which
        // the session would let go on.
        const auto limit = std::chrono::nanoseconds(request.timeout) + std::chrono::seconds(1);
        if (dispatch_semaphore_wait(done, dispatch_time(DISPATCH_TIME_NOW, limit.count())) != 0) {
            [task cancel];
            dispatch_semaphore_wait(done, DISPATCH_TIME_FOREVER);
            outcome->response.reset();
            outcome->error = describe(NSURLErrorTimedOut);
        }
        {
            const std::lock_guard lock(inFlight->mutex);
            [inFlight->tasks removeObject:task];
        }
        if (outcome->response) {
            return {.response = std::move(outcome->response), .transportError = {}};
        }
        return {.response = std::nullopt, .transportError = outcome->error};
    }
}

} // namespace sonifix
