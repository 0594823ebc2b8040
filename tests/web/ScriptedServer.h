#pragma once

#include <arpa/inet.h>
#include <atomic>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kolvane::testing {

struct ScriptedReply {
    std::string bytes; // sent as they stand; empty: the server stays silent
    bool closeAfter = false;
};

struct RecordedRequest {
    int connection = 0; // 1 for the first connection accepted, and so on
    std::string bytes;
};

// An HTTP server on 127.0.0.1 that records every request's bytes and answers each with the next
// reply of its script. It serves one connection at a time, as the client keeps at most one, on a
// thread of its own until destroyed.
class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<ScriptedReply> script) : script_(std::move(script)) {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener_, 8);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ScriptedServer() {
        stopping_ = true;
        thread_.join();
        ::close(listener_);
    }

    std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_); }
    std::vector<RecordedRequest> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    // Records and answers each request of one connection after the other.
    void Serve() {
        for (int connection = 1; Readable(listener_); ++connection) {
            const int socket = ::accept(listener_, nullptr, nullptr);
            std::string received;
            char buffer[4096];
            for (ssize_t count;
                 Readable(socket) && (count = ::recv(socket, buffer, 4096, 0)) > 0;) {
                received.append(buffer, static_cast<std::size_t>(count));
                for (std::size_t end; (end = received.find("\r\n\r\n")) != std::string::npos;) {
                    std::lock_guard lock(mutex_);
                    requests_.push_back({connection, received.substr(0, end + 4)});
                    received.erase(0, end + 4);
                    if (next_ == script_.size())
                        continue;
                    const ScriptedReply& reply = script_[next_++];
                    ::send(socket, reply.bytes.data(), reply.bytes.size(), MSG_NOSIGNAL);
                    if (reply.closeAfter)
                        ::shutdown(socket, SHUT_RDWR); // the next read finds the end
                }
            }
            ::close(socket);
        }
    }

    // Waits until the socket has something to read; false once the server is stopping.
    bool Readable(int socket) const {
        for (pollfd watched{socket, POLLIN, 0}; !stopping_;)
            if (::poll(&watched, 1, 20) > 0)
                return true;
        return false;
    }

    const int listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int port_ = 0;
    std::vector<ScriptedReply> script_;
    std::size_t next_ = 0;
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace kolvane::testing
