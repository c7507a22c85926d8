#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sonifix {

struct HttpRequest {
    std::string method;
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::chrono::seconds timeout{60};
};

struct HttpResponse {
    int status = 0;
    std::string body;
};

// Either the server's response, or the platform's description of why none came.
struct HttpResult {
    std::optional<HttpResponse> response;
    std::string transportError;
};

// HTTPS with the system's trust store. Called off the main thread; blocks until the response or
// the time-out. Never throws.
class HttpClient {
public:
    virtual ~HttpClient() = default;

    virtual HttpResult send(const HttpRequest& request) = 0;
};

} // namespace sonifix
