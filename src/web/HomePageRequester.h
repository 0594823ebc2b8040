#pragma once

#include "web/HomePageClient.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <thread>

namespace kolvane {

// Runs the home page exchanges on a worker thread of its own, one at a time, so that a slow or
// silent server holds up nobody. Every failure stays here: nothing is shown or logged.
class HomePageRequester {
public:
    explicit HomePageRequester(std::string_view address, WebLimits limits = {});
    // Ends a running exchange at once and waits for the worker.
    ~HomePageRequester();
    HomePageRequester(const HomePageRequester&) = delete;
    HomePageRequester& operator=(const HomePageRequester&) = delete;

    // Hands one exchange to the worker and returns at once. While the previous exchange is still
    // running nothing starts, and the result is false.
    bool Request();

    ExchangeResult LastResult() const;
    // Waits at most timeout until count exchanges have finished.
    bool WaitForFinished(std::uint64_t count, std::chrono::milliseconds timeout) const;

private:
    void Work();

    HomePageClient client_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool requested_ = false;
    bool busy_ = false; // from hand-over to the end of the exchange
    bool ending_ = false;
    std::uint64_t finished_ = 0;
    ExchangeResult lastResult_;
    std::thread worker_; // last: starts once everything it reads exists
};

} // namespace kolvane
