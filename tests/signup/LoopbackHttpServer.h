#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace sonifix::testing {

// Serves one request on 127.0.0.1 with a scripted answer, or with silence for a while, and keeps
// the request exactly as it arrived.
class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(std::string response,
                                std::chrono::milliseconds silence = std::chrono::milliseconds(0))
        : response(std::move(response)), silence(silence) {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener, 1);
        socklen_t length = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        server = std::thread([this] { serve(); });
    }
    ~LoopbackHttpServer() {
        ::shutdown(listener, SHUT_RDWR);
        if (server.joinable()) {
            server.join();
        }
        ::close(listener);
    }
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    std::string url(const std::string& path = "/api/subscribe") const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }
    // The request as it arrived; waits for the server to have answered.
    const std::string& request() {
        if (server.joinable()) {
            server.join();
        }
        return received;
    }

    static std::string reply(int status, const std::string& body,
                             const std::string& type = "application/json") {
        return "HTTP/1.1 " + std::to_string(status) + " Status\r\nContent-Type: " + type +
               "\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\nConnection: close\r\n\r\n" + body;
    }

private:
    void serve() {
        const int connection = ::accept(listener, nullptr, nullptr);
        if (connection < 0) {
            return;
        }
        char buffer[4096];
        std::optional<std::size_t> expected;
        while (!expected || received.size() < *expected) {
            const auto count = ::recv(connection, buffer, sizeof buffer, 0);
            if (count <= 0) {
                break;
            }
            received.append(buffer, std::size_t(count));
            if (const auto end = received.find("\r\n\r\n"); !expected && end != std::string::npos) {
                std::size_t length = 0;
                if (const auto at = received.find("Content-Length: "); at != std::string::npos) {
                    length = std::stoul(received.substr(at + 16));
                }
                expected = end + 4 + length;
            }
        }
        std::this_thread::sleep_for(silence);
        ::send(connection, response.data(), response.size(), MSG_NOSIGNAL);
        ::close(connection);
    }

    std::string response;
    std::chrono::milliseconds silence;
    int listener = -1;
    int port = 0;
    std::string received;
    std::thread server;
};

} // namespace sonifix::testing
