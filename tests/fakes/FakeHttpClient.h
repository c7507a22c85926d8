#pragma once

#include "platform/HttpClient.h"

#include <vector>

namespace sonifix::testing {

// Answers every request with the same result and keeps the requests.
class FakeHttpClient final : public HttpClient {
public:
    HttpResult send(const HttpRequest& request) override {
        requests.push_back(request);
        return result;
    }

    HttpResult result{.response = HttpResponse{.status = 200, .body = "{}"}, .transportError = {}};
    std::vector<HttpRequest> requests;
};

} // namespace sonifix::testing
