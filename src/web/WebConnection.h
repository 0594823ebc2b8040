#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kolvane {

// How a step of the transport ended.
enum class TransportStatus {
    Done,
    Closed,   // the server closed the connection: nothing more will come
    Failed,   // no name, no connection, or a broken one
    TimedOut, // the step's deadline passed
    Stopped,  // Stop was called
};

// One plain TCP connection to a web server, kept from one exchange to the next. Every call but
// Stop blocks the exchange's thread until its step ends or its deadline passes; Stop may be called
// from any thread and ends the running step, and every later one, at once.
class WebConnection {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    WebConnection();
    ~WebConnection();
    WebConnection(const WebConnection&) = delete;
    WebConnection& operator=(const WebConnection&) = delete;

    bool IsOpen() const;
    // Polls an open connection for 1 ms; if the server has closed it meanwhile (or sent something
    // nobody asked for), closes it here too. Returns whether it is still open.
    bool StillOpen();
    // "LOCALHOST" in any letter case is 127.0.0.1, a dotted IPv4 address is used as it stands, any
    // other name is looked up and its first IPv4 address taken.
    TransportStatus Open(const std::string& host, int port, Deadline deadline);
    // Hands all the bytes to the connection.
    TransportStatus Send(std::string_view bytes, Deadline deadline);
    // Waits for the next bytes; received tells how many arrived (none unless Done).
    TransportStatus Receive(std::span<char> buffer, std::size_t& received, Deadline deadline);
    // Shuts down the sending side, then closes the socket.
    void Close();

    void Stop();

private:
    class Transport;
    std::unique_ptr<Transport> transport_;
};

} // namespace kolvane
