#include "web/HomePageRequester.h"

namespace kolvane {

HomePageRequester::HomePageRequester(std::string_view address, WebLimits limits)
    : client_(address, limits), worker_([this] { Work(); }) {}

HomePageRequester::~HomePageRequester() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    client_.Stop();
    changed_.notify_all();
    worker_.join();
}

bool HomePageRequester::Request() {
    {
        std::lock_guard lock(mutex_);
        if (busy_ || ending_)
            return false;
        busy_ = true;
        requested_ = true;
    }
    changed_.notify_all();
    return true;
}

// The worker thread: sleeps until an exchange is handed over or the requester ends.
void HomePageRequester::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return requested_ || ending_; });
        if (ending_)
            return;
        requested_ = false;
        lock.unlock();
        const ExchangeResult result = client_.Exchange();
        lock.lock();
        lastResult_ = result;
        ++finished_;
        busy_ = false;
        changed_.notify_all();
    }
}

ExchangeResult HomePageRequester::LastResult() const {
    std::lock_guard lock(mutex_);
    return lastResult_;
}

bool HomePageRequester::WaitForFinished(std::uint64_t count,
                                        std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return finished_ >= count; });
}

} // namespace kolvane
