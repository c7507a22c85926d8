#include "signup/EmailSignup.h"
#include "signup/SubscribeRefused.h"
#include "support/Utf8.h"

#include <cstdint>
#include <cstdlib>

namespace {

// A service that refuses every address with the fuzzer's bytes as its answer.
struct RefusingService final : sonifix::HttpClient {
    explicit RefusingService(std::string body) : body(std::move(body)) {}

    sonifix::HttpResult send(const sonifix::HttpRequest&) override {
        return {.response = sonifix::HttpResponse{.status = 400, .body = body},
                .transportError = {}};
    }
    std::string body;
};

} // namespace

// Whatever the service answers, the refusal is a SubscribeRefused whose text an alert can show.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RefusingService service(std::string(reinterpret_cast<const char*>(data), size));
    try {
        sonifix::EmailSignup::subscribe(service, "https://example.com/api/subscribe",
                                        "you@example.com");
    } catch (const sonifix::SubscribeRefused& refused) {
        const std::string text = refused.what();
        if (sonifix::utf8::repaired(text) == text) {
            return 0;
        }
    }
    std::abort();
}
