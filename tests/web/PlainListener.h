#pragma once

#include <array>
#include <asio.hpp>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace kolvane::testing {

// A plain TCP listener on 127.0.0.1 that answers nothing: it takes one connection and records
// every byte that arrives until the other side closes, on a thread of its own.
class PlainListener {
public:
    // Port 0 takes any free port.
    explicit PlainListener(asio::ip::port_type port = 0)
        : acceptor_(io_, {asio::ip::address_v4::loopback(), port}) {
        acceptor_.async_accept(connection_, [this](const asio::error_code& error) {
            if (!error)
                Collect();
        });
        thread_ = std::thread([this] { io_.run(); });
    }
    ~PlainListener() {
        io_.stop();
        thread_.join();
    }
    PlainListener(const PlainListener&) = delete;
    PlainListener& operator=(const PlainListener&) = delete;

    asio::ip::port_type Port() const { return acceptor_.local_endpoint().port(); }

    // Waits at most timeout for the connection to end; returns the bytes received so far.
    std::string Received(std::chrono::milliseconds timeout) const {
        std::unique_lock lock(mutex_);
        ended_.wait_for(lock, timeout, [this] { return closed_; });
        return received_;
    }

private:
    void Collect() {
        connection_.async_read_some(asio::buffer(buffer_),
                                    [this](const asio::error_code& error, std::size_t count) {
                                        std::lock_guard lock(mutex_);
                                        received_.append(buffer_.data(), count);
                                        if (!error)
                                            return Collect();
                                        closed_ = true;
                                        ended_.notify_all();
                                    });
    }

    asio::io_context io_{1};
    asio::ip::tcp::acceptor acceptor_;
    asio::ip::tcp::socket connection_{io_};
    std::array<char, 1024> buffer_{};
    mutable std::mutex mutex_;
    mutable std::condition_variable ended_;
    std::string received_;
    bool closed_ = false;
    std::thread thread_;
};

} // namespace kolvane::testing
