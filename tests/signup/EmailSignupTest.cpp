#include "signup/EmailSignup.h"

#include "FakePlatform.h"
#include "LoopbackHttpServer.h"
#include "platform/posix/CurlHttpClient.h"
#include "signup/EmailAddress.h"
#include "signup/SubscribeRefused.h"
#include "support/PlatformError.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace sonifix::testing {
namespace {

using namespace std::chrono_literals;

TEST(EmailAddress, AcceptsWhatLooksLikeAnAddressAndNothingElse) {
    for (const std::string accepted :
         {"you@example.com", "first.last+news@mail.example.co.uk", "a@b.c", "you@example.com.",
          "jos\xC3\xA9@exa\xCC\x88mple.com", "x@[10.0.0.1].net"}) {
        EXPECT_TRUE(email_address::looksValid(accepted)) << accepted;
    }
    for (const std::string rejected :
         {"", "you@example", "you @example.com", "<you@example.com>", "you>@example.com",
          "you@@example.com", "a@b@c.com", "@example.com", "you@.com", "you@example.",
          "you@exam\xC2\xA0ple.com", "you@example.com\n", "you@example.com\xE2\x80\xA8",
          "you\x85@example.com"}) {
        EXPECT_FALSE(email_address::looksValid(rejected)) << rejected;
    }
}

TEST(EmailAddress, TrimsSpaceSeparatorsButNotLineBreaks) {
    EXPECT_EQ(email_address::trimmed(" \t you@example.com \xC2\xA0"), "you@example.com");
    EXPECT_EQ(email_address::trimmed("\xE3\x80\x80you@example.com\xE3\x80\x80"), "you@example.com");
    EXPECT_EQ(email_address::trimmed("\nyou@example.com"), "\nyou@example.com");
    EXPECT_EQ(email_address::trimmed(" \xC2\xA0\t "), "");
    EXPECT_EQ(email_address::trimmed("jos\xC3\xA9"), "jos\xC3\xA9");
}

class SubscribeTest : public ::testing::Test {
protected:
    // What subscribe threw, as the user would read it; nothing when it succeeded.
    std::optional<std::string> subscribeWith(HttpResult answer) {
        http.result = std::move(answer);
        try {
            EmailSignup::subscribe(http, "https://northfold.app/api/subscribe", "you@example.com");
        } catch (const SubscribeRefused& refused) {
            return std::string(refused.what());
        } catch (const PlatformError& error) {
            return "transport: " + std::string(error.what());
        }
        return std::nullopt;
    }
    static HttpResult answer(int status, std::string body) {
        return {.response = HttpResponse{status, std::move(body)}, .transportError = {}};
    }

    FakeHttpClient http;
    const std::string unreachable = "Couldn’t reach northfold.app. Try again in a bit.";
};

TEST_F(SubscribeTest, PostsACompactBodyWithTheAddressAndTheSource) {
    EXPECT_EQ(subscribeWith(answer(200, "")), std::nullopt);
    ASSERT_EQ(http.requests().size(), 1u);
    const auto request = http.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, "https://northfold.app/api/subscribe");
    EXPECT_EQ(request.headers, (std::vector<std::pair<std::string, std::string>>{
                                   {"Content-Type", "application/json"}}));
    EXPECT_EQ(request.timeout, 20s);
    EXPECT_EQ(request.body.find_first_of(" \n"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(request.body),
              (nlohmann::json{{"email", "you@example.com"}, {"source", "sonifix-app"}}));
}

TEST_F(SubscribeTest, OnlyA200IsASuccessAndTheServersStringErrorIsShown) {
    EXPECT_EQ(subscribeWith(answer(200, "<html>not json</html>")), std::nullopt);
    EXPECT_EQ(subscribeWith(answer(201, R"({"error":"Check the address."})")),
              "Check the address.");
    EXPECT_EQ(subscribeWith(answer(204, "")), unreachable);
    EXPECT_EQ(subscribeWith(answer(400, R"({"error":"That address is on the list already."})")),
              "That address is on the list already.");
    EXPECT_EQ(subscribeWith(answer(500, "<html><body>Internal error</body></html>")), unreachable);
    EXPECT_EQ(subscribeWith(answer(422, R"({"error":422})")), unreachable);
    EXPECT_EQ(subscribeWith(answer(400, R"(["error"])")), unreachable);
    EXPECT_EQ(subscribeWith({.response = std::nullopt, .transportError = "Timeout was reached"}),
              "transport: Timeout was reached");
}

TEST(CurlHttpClient, SendsTheRequestAsWrittenAndReadsTheAnswer) {
    LoopbackHttpServer server(LoopbackHttpServer::reply(400, R"({"error":"Nope."})"));
    const auto result = CurlHttpClient().send({.method = "POST",
                                               .url = server.url(),
                                               .headers = {{"Content-Type", "application/json"}},
                                               .body = R"({"email":"a@b.c"})",
                                               .timeout = 5s});
    ASSERT_TRUE(result.response) << result.transportError;
    EXPECT_EQ(result.response->status, 400);
    EXPECT_EQ(result.response->body, R"({"error":"Nope."})");
    const auto& request = server.request();
    EXPECT_EQ(request.rfind("POST /api/subscribe HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nContent-Type: application/json\r\n"), std::string::npos);
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), R"({"email":"a@b.c"})");
}

TEST(CurlHttpClient, ASilentServerRunsIntoTheTimeOut) {
    LoopbackHttpServer server(LoopbackHttpServer::reply(200, ""), 2500ms);
    const auto started = std::chrono::steady_clock::now();
    const auto result = CurlHttpClient().send(
        {.method = "POST", .url = server.url(), .headers = {}, .body = "{}", .timeout = 1s});
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_FALSE(result.response);
    EXPECT_NE(result.transportError.find("imed out"), std::string::npos) << result.transportError;
}

// The whole sign-up against a real server on this machine.
TEST(EmailSignupOverTheWire, TheTrimmedAddressReachesTheServerAndTheUserHearsBack) {
    LoopbackHttpServer server(LoopbackHttpServer::reply(200, "{}"));
    CurlHttpClient http;
    FakePlatform fake{{.http = &http}};
    EmailSignup signup(fake.platform, server.url());
    fake.alerts.answer(1000, "  you@example.com\xC2\xA0");
    signup.showSignup();
    fake.background.runAll();
    fake.mainQueue.runReady();

    EXPECT_NE(server.request().find(R"("email":"you@example.com")"), std::string::npos);
    ASSERT_EQ(fake.alerts.shown.size(), 2u);
    EXPECT_EQ(fake.alerts.shown[1].messageText, "Check your inbox");
    EXPECT_EQ(fake.alerts.shown[1].informativeText,
              "We sent a confirmation link to you@example.com. You’re on the list once you click "
              "it.");
}

} // namespace
} // namespace sonifix::testing
