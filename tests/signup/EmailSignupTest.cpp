#include "signup/EmailSignup.h"

#include "FakeHttpClient.h"
#include "platform/posix/CurlHttpClient.h"
#include "signup/SubscribeRefused.h"
#include "support/PlatformError.h"

#include <arpa/inet.h>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace sonifix::testing {
namespace {

using namespace std::chrono_literals;

// Listens on 127.0.0.1. Given an answer it serves one request with it and keeps the request
// exactly as it arrived; given none it never even accepts the connection.
class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(int status = 0, const std::string& body = {}) {
        sockaddr_in address{.sin_family = AF_INET, .sin_addr = {htonl(INADDR_LOOPBACK)}};
        socklen_t length = sizeof address;
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener, 1);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/api/subscribe";
        const auto response = "HTTP/1.1 " + std::to_string(status) +
                              " Status\r\nContent-Type: application/json\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        if (status) {
            server = std::thread([this, response] {
                const int connection = ::accept(listener, nullptr, nullptr);
                // Up to the end of the JSON body, the request's last byte.
                char buffer[4096];
                ssize_t count = 0;
                while (!received.ends_with('}') &&
                       (count = ::recv(connection, buffer, sizeof buffer, 0)) > 0) {
                    received.append(buffer, std::size_t(count));
                }
                ::send(connection, response.data(), response.size(), MSG_NOSIGNAL);
                ::close(connection);
            });
        }
    }
    ~LoopbackHttpServer() {
        ::shutdown(listener, SHUT_RDWR);
        request();
        ::close(listener);
    }

    // The request as it arrived; waits for the server to have answered.
    const std::string& request() {
        if (server.joinable()) {
            server.join();
        }
        return received;
    }

    std::string url;

private:
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    std::string received;
    std::thread server;
};

TEST(Subscribe, PostsACompactBodyAndOnlyA200IsASuccessWithTheServersStringErrorShown) {
    FakeHttpClient http;
    const auto subscribe = [&](int status, std::string body) -> std::optional<std::string> {
        // Status 0: no answer, `body` says why.
        http.result = status
                          ? HttpResult{.response = HttpResponse{status, body}, .transportError = {}}
                          : HttpResult{.response = std::nullopt, .transportError = body};
        try {
            EmailSignup::subscribe(http, "https://northfold.app/api/subscribe", "you@example.com");
        } catch (const SubscribeRefused& refused) {
            return refused.what();
        } catch (const PlatformError& error) {
            return "transport: " + std::string(error.what());
        }
        return std::nullopt;
    };
    EXPECT_EQ(subscribe(200, "<html>not json</html>"), std::nullopt);
    const auto& request = http.requests.at(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.url, "https://northfold.app/api/subscribe");
    EXPECT_EQ(request.headers, (std::vector<std::pair<std::string, std::string>>{
                                   {"Content-Type", "application/json"}}));
    EXPECT_EQ(request.timeout, 20s);
    EXPECT_EQ(request.body, R"({"email":"you@example.com","source":"sonifix-app"})");

    const std::string unreachable = "Couldn’t reach northfold.app. Try again in a bit.";
    EXPECT_EQ(subscribe(201, R"({"error":"Check the address."})"), "Check the address.");
    EXPECT_EQ(subscribe(204, ""), unreachable);
    EXPECT_EQ(subscribe(500, "<html><body>Internal error</body></html>"), unreachable);
    EXPECT_EQ(subscribe(422, R"({"error":422})"), unreachable);
    EXPECT_EQ(subscribe(400, R"(["error"])"), unreachable);
    EXPECT_EQ(subscribe(0, "Timeout was reached"), "transport: Timeout was reached");

    // What the server says is shown in a few lines at most, cut between characters.
    EXPECT_EQ(subscribe(400, R"({"error":"One.\nTwo.\nThree.\nFour."})"), "One.\nTwo.\nThree.…");
    std::string endless = "x";
    for (int i = 0; i < 5000; ++i) {
        endless += "é";
    }
    EXPECT_EQ(subscribe(400, R"({"error":")" + endless + R"("})"), endless.substr(0, 399) + "…");
}

// First in the program: the network library must still be absent when it starts.
TEST(CurlHttpClient, LoadsTheNetworkLibraryOnlyForARequestAndKeepsAtMost64KiBOfAnAnswer) {
    const auto loaded = [] {
        std::ifstream maps("/proc/self/maps");
        return std::string(std::istreambuf_iterator<char>(maps), {}).find("/libcurl") !=
               std::string::npos;
    };
    CurlHttpClient client;
    EXPECT_FALSE(loaded());

    LoopbackHttpServer flooding(200, std::string(1 << 20, 'x'));
    const auto result = client.send(
        {.method = "POST", .url = flooding.url, .headers = {}, .body = "{}", .timeout = 5s});
    EXPECT_TRUE(loaded());
    ASSERT_TRUE(result.response) << result.transportError;
    EXPECT_EQ(result.response->status, 200);
    EXPECT_EQ(result.response->body.size(), 64u * 1024);
}

TEST(CurlHttpClient, SendsTheRequestReadsTheAnswerOfAnyStatusAndTimesOutOnASilentServer) {
    LoopbackHttpServer refusing(400, R"({"error":"Nope."})");
    const auto result = CurlHttpClient().send({.method = "POST",
                                               .url = refusing.url,
                                               .headers = {{"Content-Type", "application/json"}},
                                               .body = R"({"email":"you@example.com"})",
                                               .timeout = 5s});
    ASSERT_TRUE(result.response) << result.transportError;
    EXPECT_EQ(result.response->status, 400);
    EXPECT_EQ(result.response->body, R"({"error":"Nope."})");
    const auto& request = refusing.request();
    EXPECT_TRUE(request.starts_with("POST /api/subscribe HTTP/1.1\r\n")) << request;
    EXPECT_NE(request.find("\r\nContent-Type: application/json\r\n"), std::string::npos);
    EXPECT_TRUE(request.ends_with("\r\n\r\n{\"email\":\"you@example.com\"}")) << request;

    LoopbackHttpServer silent;
    const auto started = std::chrono::steady_clock::now();
    const auto late = CurlHttpClient().send(
        {.method = "POST", .url = silent.url, .headers = {}, .body = "{}", .timeout = 1s});
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_FALSE(late.response);
    EXPECT_NE(late.transportError.find("imed out"), std::string::npos) << late.transportError;
}

} // namespace
} // namespace sonifix::testing
