#pragma once

#include "platform/Platform.h"

#include <string>
#include <string_view>

namespace sonifix {

// The newsletter: the first-run welcome, the sign-up dialog and the request that subscribes an
// address. Nothing is remembered between sign-ups.
class EmailSignup {
public:
    static constexpr std::string_view site = "https://northfold.app/apps/sonifix/";
    static constexpr std::string_view defaultEndpoint = "https://northfold.app/api/subscribe";
    static constexpr std::string_view placeholder = "you@example.com";

    struct Welcome {
        std::string messageText;
        std::string instructions; // the first paragraph: where the app is and how to restart
    };

    explicit EmailSignup(Platform& platform, std::string endpoint = std::string(defaultEndpoint));

    // Main thread. The address is optional here: an empty field sends nothing.
    void showWelcome(const Welcome& welcome);
    // Main thread.
    void showSignup();

    // Sends the address to the service, off the main thread. Returns when the service took it;
    // throws SubscribeRefused with the text to show, PlatformError when no answer came.
    static void subscribe(HttpClient& http, const std::string& endpoint, const std::string& email);

private:
    static void submit(Platform& platform, const std::string& endpoint, const std::string& typed);

    Platform& platform;
    std::string endpoint;
};

} // namespace sonifix
