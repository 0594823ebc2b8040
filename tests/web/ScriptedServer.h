#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
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
// reply of its script. Runs on a thread of its own until destroyed.
class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<ScriptedReply> script);
    ~ScriptedServer();

    std::string Address() const; // "http://127.0.0.1:port"
    std::vector<RecordedRequest> Requests() const;
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    struct Connection {
        int socket = -1;
        int id = 0;
        std::string received;
    };

    void Serve();
    // False once the connection is closed.
    bool Receive(Connection& connection);

    int listener_ = -1;
    int port_ = 0;
    std::deque<ScriptedReply> script_;
    std::vector<Connection> connections_;
    int connectionsAccepted_ = 0;
    mutable std::mutex mutex_;
    mutable std::condition_variable recorded_;
    std::vector<RecordedRequest> requests_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace kolvane::testing
