#pragma once

#include "platform/HttpClient.h"

namespace sonifix {

// HTTP through libcurl, with peer and host verification against the system's trust store.
class CurlHttpClient final : public HttpClient {
public:
    CurlHttpClient();
    HttpResult send(const HttpRequest& request) override;
};

} // namespace sonifix
