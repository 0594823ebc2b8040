#include "ScriptedServer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kolvane::testing {

ScriptedServer::ScriptedServer(std::vector<ScriptedReply> script)
    : script_(script.begin(), script.end()) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(listener_, 8), 0);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
    stopping_ = true;
    thread_.join();
    for (const Connection& connection : connections_)
        ::close(connection.socket);
    ::close(listener_);
}

std::string ScriptedServer::Address() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

std::vector<RecordedRequest> ScriptedServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool ScriptedServer::WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return recorded_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

void ScriptedServer::Serve() {
    while (!stopping_) {
        std::vector<pollfd> watched{{listener_, POLLIN, 0}};
        for (const Connection& connection : connections_)
            watched.push_back({connection.socket, POLLIN, 0});
        if (::poll(watched.data(), watched.size(), 20) <= 0)
            continue;
        std::vector<Connection> open;
        for (std::size_t i = 1; i < watched.size(); ++i) {
            Connection& connection = connections_[i - 1];
            if (!(watched[i].revents & (POLLIN | POLLHUP | POLLERR)) || Receive(connection))
                open.push_back(std::move(connection));
        }
        connections_ = std::move(open);
        if (watched[0].revents & POLLIN)
            if (const int socket = ::accept(listener_, nullptr, nullptr); socket >= 0)
                connections_.push_back({socket, ++connectionsAccepted_, {}});
    }
}

bool ScriptedServer::Receive(Connection& connection) {
    char buffer[4096];
    const auto received = ::recv(connection.socket, buffer, sizeof buffer, 0);
    if (received <= 0) {
        ::close(connection.socket);
        return false;
    }
    connection.received.append(buffer, static_cast<std::size_t>(received));
    for (auto end = connection.received.find("\r\n\r\n"); end != std::string::npos;
         end = connection.received.find("\r\n\r\n")) {
        {
            std::lock_guard lock(mutex_);
            requests_.push_back({connection.id, connection.received.substr(0, end + 4)});
        }
        recorded_.notify_all();
        connection.received.erase(0, end + 4);
        if (script_.empty())
            continue;
        const ScriptedReply reply = script_.front();
        script_.pop_front();
        if (!reply.bytes.empty())
            ::send(connection.socket, reply.bytes.data(), reply.bytes.size(), MSG_NOSIGNAL);
        if (reply.closeAfter) {
            ::close(connection.socket);
            return false;
        }
    }
    return true;
}

} // namespace kolvane::testing
