#include "EmailSignup.h"

#include "EmailAddress.h"
#include "SubscribeRefused.h"
#include "app/BackgroundTask.h"
#include "app/Foreground.h"
#include "support/ErrorText.h"
#include "support/PlatformError.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace sonifix {

namespace {

constexpr auto welcomeOffer = "Want to hear when we make more fixes like this? Add your email "
                              "(optional). About once a month, unsubscribe anytime.";
constexpr auto unreachable = "Couldn’t reach northfold.app. Try again in a bit.";

struct Sent {};

// The server's words fill an alert: a few lines of them, cut between characters, are enough to
// say what is wrong, and an answer of any length cannot make the alert outgrow the screen.
constexpr std::size_t shownLines = 3;
constexpr std::size_t shownBytes = 400;

std::string shortened(std::string text) {
    std::size_t end = 0;
    for (std::size_t lines = 1; end < text.size(); ++end) {
        if (text[end] == '\n' && ++lines > shownLines) {
            break;
        }
    }
    end = std::min(end, shownBytes);
    if (end >= text.size()) {
        return text;
    }
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end; // not inside a character's bytes
    }
    return text.substr(0, end) + "…";
}

} // namespace

EmailSignup::EmailSignup(Platform& platform, std::string endpoint)
    : platform(platform), endpoint(std::move(endpoint)) {}

void EmailSignup::showWelcome(const Welcome& welcome) {
    // The answer may come after this object's owner has gone: it holds only what outlives all.
    Foreground::showAlert(platform.workspace, platform.alerts,
                          {
                              .messageText = welcome.messageText,
                              .informativeText = welcome.instructions + "\n\n" + welcomeOffer,
                              .buttons = {"Done"},
                              .showsAppIcon = true,
                              .emailField = EmailField{std::string(placeholder)},
                          },
                          [&platform = platform, endpoint = endpoint](const AlertResult& answer) {
                              const auto address = email_address::trimmed(answer.fieldText);
                              if (!address.empty()) {
                                  submit(platform, endpoint, address);
                              }
                          });
}

void EmailSignup::showSignup() {
    Foreground::showAlert(
        platform.workspace, platform.alerts,
        {
            .messageText = "Get email updates from Northfold",
            .informativeText =
                "New small Mac fixes like this one, plus Sonifix updates. About once a "
                "month, unsubscribe anytime.",
            .buttons = {"Subscribe", "Cancel"},
            .emailField = EmailField{std::string(placeholder)},
        },
        [&platform = platform, endpoint = endpoint](const AlertResult& answer) {
            if (answer.response == Alerts::firstButton) {
                submit(platform, endpoint, answer.fieldText);
            }
        });
}

void EmailSignup::submit(Platform& platform, const std::string& endpoint,
                         const std::string& typed) {
    const auto address = email_address::trimmed(typed);
    if (!email_address::looksValid(address)) {
        Foreground::runAlert(
            platform.workspace, platform.alerts,
            {.messageText = "That email address doesn’t look right",
             .informativeText = "Choose Get Email Updates… in the Sonifix menu to try again."});
        return;
    }
    auto& shown = platform;
    runInBackground<Sent>(
        platform.background, platform.mainQueue,
        [&http = platform.http, endpoint, address](StopToken) {
            subscribe(http, endpoint, address);
            return Sent{};
        },
        [&shown, address](Sent) {
            Foreground::runAlert(shown.workspace, shown.alerts,
                                 {.messageText = "Check your inbox",
                                  .informativeText = "We sent a confirmation link to " + address +
                                                     ". You’re on the list once you click it."});
        },
        [&shown](std::exception_ptr error) {
            Foreground::runAlert(
                shown.workspace, shown.alerts,
                {.messageText = "Couldn’t sign you up", .informativeText = errorText(error)});
        });
}

void EmailSignup::subscribe(HttpClient& http, const std::string& endpoint,
                            const std::string& email) {
    const nlohmann::json body{{"email", email}, {"source", "sonifix-app"}};
    const auto result = http.send({
        .method = "POST",
        .url = endpoint,
        .headers = {{"Content-Type", "application/json"}},
        .body = body.dump(), // compact; throws on text that is not UTF-8
        .timeout = std::chrono::seconds(20),
    });
    if (!result.response) {
        throw PlatformError(result.transportError);
    }
    if (result.response->status == 200) {
        return;
    }
    const auto answer = nlohmann::json::parse(result.response->body, nullptr, false);
    if (answer.is_object() && answer.contains("error") && answer["error"].is_string()) {
        throw SubscribeRefused(shortened(answer["error"].get<std::string>()));
    }
    throw SubscribeRefused(unreachable);
}

} // namespace sonifix
