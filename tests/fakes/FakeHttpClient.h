#pragma once

#include "platform/HttpClient.h"

#include <mutex>
#include <vector>

namespace sonifix::testing {

// Answers every request with the same scripted result and keeps the requests.
class FakeHttpClient final : public HttpClient {
public:
    HttpResult send(const HttpRequest& request) override {
        const std::lock_guard lock(mutex);
        sent.push_back(request);
        return result;
    }

    std::vector<HttpRequest> requests() const {
        const std::lock_guard lock(mutex);
        return sent;
    }

    HttpResult result{.response = HttpResponse{.status = 200, .body = "{}"}, .transportError = {}};

private:
    mutable std::mutex mutex;
    std::vector<HttpRequest> sent;
};

} // namespace sonifix::testing
