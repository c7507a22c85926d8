#include "CurlHttpClient.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace sonifix {

namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* body) {
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

} // namespace

CurlHttpClient::CurlHttpClient() {
    // Not thread-safe itself, so done once, before any request.
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpResult CurlHttpClient::send(const HttpRequest& request) {
    const std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
    if (!handle) {
        return {.response = std::nullopt, .transportError = "The network library could not start."};
    }
    std::unique_ptr<curl_slist, ListDeleter> headers;
    for (const auto& [name, value] : request.headers) {
        const auto line = name + ": " + value;
        auto* extended = curl_slist_append(headers.get(), line.c_str());
        if (extended) {
            (void)headers.release();
            headers.reset(extended);
        }
    }
    std::string body;
    char error[CURL_ERROR_SIZE] = {};
    auto* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (request.method == "POST") {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
    }
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(request.timeout.count() * 1000));
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L); // a worker thread must not get SIGALRM
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);

    if (const auto code = curl_easy_perform(curl); code != CURLE_OK) {
        return {.response = std::nullopt,
                .transportError = *error ? std::string(error) : curl_easy_strerror(code)};
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return {.response = HttpResponse{.status = int(status), .body = std::move(body)},
            .transportError = {}};
}

} // namespace sonifix
