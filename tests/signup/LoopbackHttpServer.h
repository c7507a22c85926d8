#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace sonifix::testing {

// Listens on 127.0.0.1. With a response it serves one request with it and keeps the request
// exactly as it arrived; without one it never even accepts the connection.
class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(std::string response = {}) {
        sockaddr_in address{.sin_family = AF_INET,
                            .sin_port = 0,
                            .sin_addr = {htonl(INADDR_LOOPBACK)},
                            .sin_zero = {}};
        socklen_t length = sizeof address;
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener, 1);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/api/subscribe";
        if (!response.empty()) {
            server = std::thread([this, response = std::move(response)] { serve(response); });
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

    static std::string reply(int status, const std::string& body) {
        return "HTTP/1.1 " + std::to_string(status) +
               " Status\r\nContent-Type: application/json\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }

    std::string url;

private:
    void serve(const std::string& response) {
        const int connection = ::accept(listener, nullptr, nullptr);
        // The headers, then as many bytes as they announce.
        char buffer[4096];
        for (std::size_t expected = std::string::npos; received.size() < expected;) {
            const auto count = ::recv(connection, buffer, sizeof buffer, 0);
            if (count <= 0) {
                break;
            }
            received.append(buffer, std::size_t(count));
            const auto end = received.find("\r\n\r\n");
            const auto length = received.find("Content-Length: ");
            if (end != std::string::npos) {
                expected = end + 4 + (length < end ? std::stoul(received.substr(length + 16)) : 0);
            }
        }
        ::send(connection, response.data(), response.size(), MSG_NOSIGNAL);
        ::close(connection);
    }

    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    std::string received;
    std::thread server;
};

} // namespace sonifix::testing
