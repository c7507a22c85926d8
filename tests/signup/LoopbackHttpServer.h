#pragma once

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace sonifix::testing {

// Serves one request on 127.0.0.1 with a given answer, after a silence if asked, and keeps the
// request exactly as it arrived.
class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(std::string response,
                                std::chrono::milliseconds silence = std::chrono::milliseconds(0))
        : response(std::move(response)), silence(silence) {
        sockaddr_in address{.sin_family = AF_INET,
                            .sin_port = 0,
                            .sin_addr = {htonl(INADDR_LOOPBACK)},
                            .sin_zero = {}};
        socklen_t length = sizeof address;
        ::bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener, 1);
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
        server = std::thread([this] { serve(); });
    }
    ~LoopbackHttpServer() {
        ::shutdown(listener, SHUT_RDWR);
        request();
        ::close(listener);
    }

    std::string url() const {
        return "http://127.0.0.1:" + std::to_string(port) + "/api/subscribe";
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

private:
    void serve() {
        const int connection = ::accept(listener, nullptr, nullptr);
        if (connection < 0) {
            return;
        }
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
        std::this_thread::sleep_for(silence);
        ::send(connection, response.data(), response.size(), MSG_NOSIGNAL);
        ::close(connection);
    }

    std::string response;
    std::chrono::milliseconds silence;
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    int port = 0;
    std::string received;
    std::thread server;
};

} // namespace sonifix::testing
