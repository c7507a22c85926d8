#pragma once

#include "platform/HttpClient.h"

#include <cstddef>

namespace sonifix {

// HTTP through libcurl, with peer and host verification against the system's trust store.
// libcurl, and the TLS, Kerberos and LDAP libraries it brings, are loaded at the first request:
// most sessions never send one, and they would otherwise stay resident for nothing.
class CurlHttpClient final : public HttpClient {
public:
    // More of an answer is never read: the only answer the app reads is a short JSON text.
    static constexpr std::size_t bodyLimit = 64 * 1024;

    HttpResult send(const HttpRequest& request) override;
};

} // namespace sonifix
