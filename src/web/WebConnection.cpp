#include "web/WebConnection.h"

#include "web/HttpText.h"

#include <asio.hpp>
#include <atomic>
#include <optional>
#include <thread>

namespace kolvane {

namespace {

using asio::ip::tcp;
using namespace std::chrono_literals;

constexpr auto ReusePoll = 1ms;

} // namespace

// Every step runs the io context on the exchange's thread until the step's operation and its
// deadline timer have both completed, so that no handler outlives the step.
class WebConnection::Transport {
public:
    bool IsOpen() const { return socket_.is_open(); }

    bool StillOpen() {
        if (!IsOpen())
            return false;
        // A kept connection that can be read before anything was asked has been closed by the
        // server, or carries bytes that belong to no answer: either way it cannot be reused.
        const auto status = Await(Clock::now() + ReusePoll, [this] {
            socket_.async_wait(tcp::socket::wait_read,
                               [this](const asio::error_code& error) { Finish(error); });
        });
        if (status == TransportStatus::TimedOut)
            return true;
        Close();
        return false;
    }

    TransportStatus Open(const std::string& host, int port, Deadline deadline) {
        Close();
        std::optional<tcp::endpoint> endpoint = DirectEndpoint(host, port);
        if (!endpoint) {
            const auto status = Await(deadline, [&] { StartLookup(host, port); });
            if (status != TransportStatus::Done)
                return status;
            if (!lookedUp_)
                return TransportStatus::Failed;
            endpoint = lookedUp_;
        }
        const auto status = Await(deadline, [&] {
            socket_.async_connect(*endpoint,
                                  [this](const asio::error_code& error) { Finish(error); });
        });
        if (status != TransportStatus::Done)
            Close();
        return status;
    }

    TransportStatus Send(std::string_view bytes, Deadline deadline) {
        const auto status = Await(deadline, [&] {
            asio::async_write(
                socket_, asio::buffer(bytes.data(), bytes.size()),
                [this](const asio::error_code& error, std::size_t) { Finish(error); });
        });
        return status == TransportStatus::Closed ? TransportStatus::Failed : status;
    }

    TransportStatus Receive(std::span<char> buffer, std::size_t& received, Deadline deadline) {
        received = 0;
        return Await(deadline, [&] {
            socket_.async_read_some(
                asio::buffer(buffer.data(), buffer.size()),
                [this, &received](const asio::error_code& error, std::size_t count) {
                    received = count;
                    Finish(error);
                });
        });
    }

    void Close() {
        asio::error_code ignored;
        if (socket_.is_open())
            socket_.shutdown(tcp::socket::shutdown_send, ignored);
        socket_.close(ignored);
    }

    void Stop() {
        stopping_ = true;
        io_->stop();
    }

private:
    using Clock = std::chrono::steady_clock;

    // The state of the one step in progress; handlers write it on the exchange's thread.
    struct Step {
        bool finished = false;
        bool timerDone = false;
        bool timedOut = false;
        asio::error_code error;
    };

    std::optional<tcp::endpoint> DirectEndpoint(const std::string& host, int port) const {
        const auto portNumber = static_cast<asio::ip::port_type>(port);
        if (EqualsIgnoringCase(host, "localhost"))
            return tcp::endpoint(asio::ip::address_v4::loopback(), portNumber);
        asio::error_code notDotted;
        const auto address = asio::ip::make_address_v4(host, notDotted);
        if (notDotted)
            return std::nullopt;
        return tcp::endpoint(address, portNumber);
    }

    // The system's lookup cannot be interrupted, so it runs on a thread of its own that nobody
    // waits for: a stop or a deadline ends the step at once and the late answer is ignored. The
    // thread shares the io context, so that its answer always has a queue to go to.
    void StartLookup(const std::string& host, int port) {
        lookedUp_.reset();
        const auto lookup = ++lookups_;
        std::thread([io = io_, this, host, port, lookup] {
            asio::io_context own;
            tcp::resolver resolver(own);
            asio::error_code error;
            const auto results = resolver.resolve(tcp::v4(), host, std::to_string(port), error);
            std::optional<tcp::endpoint> first;
            if (!error && !results.empty())
                first = results.begin()->endpoint();
            // Runs only while the exchange's thread runs the io context, so this still exists.
            asio::post(*io, [this, lookup, first] {
                if (lookup != lookups_)
                    return;
                lookedUp_ = first;
                Finish({});
            });
        }).detach();
    }

    template <typename StartOperation>
    TransportStatus Await(Deadline deadline, StartOperation start) {
        io_->restart();
        if (stopping_)
            return TransportStatus::Stopped;
        step_ = Step{};
        start();
        timer_.expires_at(deadline);
        timer_.async_wait([this](const asio::error_code& error) {
            step_.timerDone = true;
            if (!error && !step_.finished)
                Expire();
        });
        while (!step_.finished || !step_.timerDone)
            if (stopping_ || io_->run_one() == 0)
                return TransportStatus::Stopped;
        if (step_.timedOut)
            return TransportStatus::TimedOut;
        if (step_.error == asio::error::eof)
            return TransportStatus::Closed;
        return step_.error ? TransportStatus::Failed : TransportStatus::Done;
    }

    void Finish(const asio::error_code& error) {
        if (step_.finished)
            return;
        step_.finished = true;
        step_.error = error;
        timer_.cancel();
    }

    // Cancelling completes the waiting operation at once with an "aborted" error. A closed socket
    // has no operation waiting, so the step is a lookup, which has nothing to cancel.
    void Expire() {
        step_.timedOut = true;
        asio::error_code ignored;
        socket_.cancel(ignored);
        if (!socket_.is_open())
            step_.finished = true;
    }

    // Shared with lookups that may outlive the transport; see StartLookup.
    const std::shared_ptr<asio::io_context> io_ = std::make_shared<asio::io_context>(1);
    tcp::socket socket_{*io_};
    asio::steady_timer timer_{*io_};
    Step step_;
    std::uint64_t lookups_ = 0; // only the answer of the latest lookup counts
    std::optional<tcp::endpoint> lookedUp_;
    std::atomic<bool> stopping_{false};
};

WebConnection::WebConnection() : transport_(std::make_unique<Transport>()) {}

WebConnection::~WebConnection() = default;

bool WebConnection::IsOpen() const {
    return transport_->IsOpen();
}

bool WebConnection::StillOpen() {
    return transport_->StillOpen();
}

TransportStatus WebConnection::Open(const std::string& host, int port, Deadline deadline) {
    return transport_->Open(host, port, deadline);
}

TransportStatus WebConnection::Send(std::string_view bytes, Deadline deadline) {
    return transport_->Send(bytes, deadline);
}

TransportStatus WebConnection::Receive(std::span<char> buffer, std::size_t& received,
                                       Deadline deadline) {
    return transport_->Receive(buffer, received, deadline);
}

void WebConnection::Close() {
    transport_->Close();
}

void WebConnection::Stop() {
    transport_->Stop();
}

} // namespace kolvane
