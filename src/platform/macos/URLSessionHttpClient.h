#pragma once

#include "platform/HttpClient.h"

#include <memory>

namespace sonifix {

// HTTP through the shared NSURLSession: the system's proxy and PAC settings and trust store
// apply, and a failure reads as the platform describes it (NSError's localizedDescription).
// The request's time-out bounds the whole exchange. Requests still running when the client is
// destroyed are cancelled, and their senders return.
class URLSessionHttpClient final : public HttpClient {
public:
    URLSessionHttpClient();
    URLSessionHttpClient(const URLSessionHttpClient&) = delete;
    URLSessionHttpClient& operator=(const URLSessionHttpClient&) = delete;
    ~URLSessionHttpClient() override;

    HttpResult send(const HttpRequest& request) override;

    struct Running;

private:
    std::shared_ptr<Running> running;
};

} // namespace sonifix
