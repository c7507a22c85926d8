#include "CurlHttpClient.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <memory>
#include <optional>
#include <type_traits>

namespace sonifix {

namespace {

// The entry points the client uses. Only the header's types and constants are compiled in; the
// functions come from the library once it is loaded.
struct Curl {
    CURLcode (*globalInit)(long);
    CURL* (*easyInit)();
    void (*easyCleanup)(CURL*);
    CURLcode (*easySetopt)(CURL*, CURLoption, ...);
    CURLcode (*easyPerform)(CURL*);
    CURLcode (*easyGetinfo)(CURL*, CURLINFO, ...);
    const char* (*easyStrerror)(CURLcode);
    curl_slist* (*slistAppend)(curl_slist*, const char*);
    void (*slistFreeAll)(curl_slist*);
};

std::optional<Curl> load() {
    // Never closed: OpenSSL's exit handlers live in what it loads.
    void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        return std::nullopt;
    }
    Curl curl{};
    bool complete = true;
    const auto bind = [&](auto& function, const char* name) {
        function =
            reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(library, name));
        complete = complete && function;
    };
    bind(curl.globalInit, "curl_global_init");
    bind(curl.easyInit, "curl_easy_init");
    bind(curl.easyCleanup, "curl_easy_cleanup");
    bind(curl.easySetopt, "curl_easy_setopt");
    bind(curl.easyPerform, "curl_easy_perform");
    bind(curl.easyGetinfo, "curl_easy_getinfo");
    bind(curl.easyStrerror, "curl_easy_strerror");
    bind(curl.slistAppend, "curl_slist_append");
    bind(curl.slistFreeAll, "curl_slist_free_all");
    // The global set-up is not thread-safe itself; the static that holds the result makes it
    // happen once, before any request.
    if (!complete || curl.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        return std::nullopt;
    }
    return curl;
}

const Curl* library() {
    static const std::optional<Curl> loaded = load();
    return loaded ? &*loaded : nullptr;
}

struct Answer {
    std::string body;
    bool cut = false;
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* target) {
    auto& answer = *static_cast<Answer*>(target);
    const auto room = CurlHttpClient::bodyLimit - answer.body.size();
    if (size * count > room) {
        // Ends the transfer: whatever follows would be thrown away anyway.
        answer.body.append(data, room);
        answer.cut = true;
        return 0;
    }
    answer.body.append(data, size * count);
    return size * count;
}

} // namespace

HttpResult CurlHttpClient::send(const HttpRequest& request) {
    const auto* lib = library();
    if (!lib) {
        return {.response = std::nullopt,
                .transportError = "The network library (libcurl) is not installed."};
    }
    const auto cleanup = [lib](CURL* handle) { lib->easyCleanup(handle); };
    const std::unique_ptr<CURL, decltype(cleanup)> handle(lib->easyInit(), cleanup);
    if (!handle) {
        return {.response = std::nullopt, .transportError = "The network library could not start."};
    }
    const auto freeAll = [lib](curl_slist* list) { lib->slistFreeAll(list); };
    std::unique_ptr<curl_slist, decltype(freeAll)> headers(nullptr, freeAll);
    for (const auto& [name, value] : request.headers) {
        const auto line = name + ": " + value;
        auto* extended = lib->slistAppend(headers.get(), line.c_str());
        if (extended) {
            (void)headers.release();
            headers.reset(extended);
        }
    }
    Answer answer;
    char error[CURL_ERROR_SIZE] = {};
    auto* curl = handle.get();
    const auto set = lib->easySetopt;
    set(curl, CURLOPT_URL, request.url.c_str());
    set(curl, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    if (request.method == "POST") {
        set(curl, CURLOPT_POSTFIELDS, request.body.data());
        set(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
    }
    set(curl, CURLOPT_HTTPHEADER, headers.get());
    set(curl, CURLOPT_TIMEOUT_MS, long(request.timeout.count() * 1000));
    set(curl, CURLOPT_NOSIGNAL, 1L); // a worker thread must not get SIGALRM
    set(curl, CURLOPT_WRITEFUNCTION, &collect);
    set(curl, CURLOPT_WRITEDATA, &answer);
    set(curl, CURLOPT_ERRORBUFFER, error);

    // An answer cut at the limit is still an answer: its status counts, its body is short.
    if (const auto code = lib->easyPerform(curl);
        code != CURLE_OK && !(code == CURLE_WRITE_ERROR && answer.cut)) {
        return {.response = std::nullopt,
                .transportError = *error ? std::string(error) : lib->easyStrerror(code)};
    }
    long status = 0;
    lib->easyGetinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return {.response = HttpResponse{.status = int(status), .body = std::move(answer.body)},
            .transportError = {}};
}

} // namespace sonifix
