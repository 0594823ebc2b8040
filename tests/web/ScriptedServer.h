#pragma once

#include <array>
#include <asio.hpp>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kolvane::testing {

// What the server does once a reply's bytes are out.
enum class AfterReply {
    Wait,    // keeps the connection and reads the next request
    Close,   // closes the connection
    Flood,   // sends body bytes as fast as the client takes them, until it closes
    Trickle, // sends one body byte every few milliseconds, until the client closes
};

struct ScriptedReply {
    std::string bytes; // sent as they stand; empty: the server stays silent
    AfterReply after = AfterReply::Wait;
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
        Accept();
        thread_ = std::thread([this] { io_.run(); });
    }
    ~ScriptedServer() {
        io_.stop();
        thread_.join();
    }
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::string Address() const {
        return "http://127.0.0.1:" + std::to_string(acceptor_.local_endpoint().port());
    }
    std::vector<RecordedRequest> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    // Waits at most timeout until count requests have arrived.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
    }
    // Waits at most timeout until count connections have ended, closed by either side.
    bool WaitForEndedConnections(int count, std::chrono::milliseconds timeout) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return ended_ >= count; });
    }

private:
    using tcp = asio::ip::tcp;

    void Accept() {
        acceptor_.async_accept(socket_, [this](const asio::error_code& error) {
            if (error)
                return;
            ++connection_;
            received_.clear();
            Read();
        });
    }

    void Read() {
        socket_.async_read_some(asio::buffer(buffer_),
                                [this](const asio::error_code& error, std::size_t count) {
                                    if (error)
                                        return EndConnection();
                                    received_.append(buffer_.data(), count);
                                    AnswerCompleteRequests();
                                });
    }

    // Records every request received in full and answers it; reads on unless a reply says
    // otherwise.
    void AnswerCompleteRequests() {
        for (std::size_t end; (end = received_.find("\r\n\r\n")) != std::string::npos;) {
            const ScriptedReply* reply = Record(received_.substr(0, end + 4));
            received_.erase(0, end + 4);
            if (reply && !reply->bytes.empty())
                return Send(*reply);
        }
        Read();
    }

    const ScriptedReply* Record(std::string request) {
        std::lock_guard lock(mutex_);
        requests_.push_back({connection_, std::move(request)});
        changed_.notify_all();
        return next_ < script_.size() ? &script_[next_++] : nullptr;
    }

    void Send(const ScriptedReply& reply) {
        asio::async_write(socket_, asio::buffer(reply.bytes),
                          [this, &reply](const asio::error_code& error, std::size_t) {
                              if (error)
                                  return EndConnection();
                              switch (reply.after) {
                              case AfterReply::Wait:
                                  return AnswerCompleteRequests();
                              case AfterReply::Close:
                                  return EndConnection();
                              case AfterReply::Flood:
                                  return Flood();
                              case AfterReply::Trickle:
                                  return Trickle();
                              }
                          });
    }

    void Flood() {
        asio::async_write(socket_, asio::buffer(filler_),
                          [this](const asio::error_code& error, std::size_t) {
                              if (error)
                                  return EndConnection();
                              Flood();
                          });
    }

    void Trickle() {
        asio::async_write(socket_, asio::buffer(filler_.data(), 1),
                          [this](const asio::error_code& error, std::size_t) {
                              if (error)
                                  return EndConnection();
                              timer_.expires_after(std::chrono::milliseconds(2));
                              timer_.async_wait([this](const asio::error_code&) { Trickle(); });
                          });
    }

    void EndConnection() {
        asio::error_code ignored;
        socket_.shutdown(tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
        {
            std::lock_guard lock(mutex_);
            ++ended_;
        }
        changed_.notify_all();
        Accept();
    }

    asio::io_context io_{1};
    tcp::acceptor acceptor_{io_, tcp::endpoint(asio::ip::address_v4::loopback(), 0)};
    tcp::socket socket_{io_};
    asio::steady_timer timer_{io_};
    std::array<char, 4096> buffer_{};
    const std::string filler_ = std::string(65536, 'x');
    std::string received_;
    int connection_ = 0;
    const std::vector<ScriptedReply> script_;
    std::size_t next_ = 0;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<RecordedRequest> requests_;
    int ended_ = 0;
    std::thread thread_;
};

} // namespace kolvane::testing
