#pragma once

#include "engine/Clock.h"
#include "engine/JobEvents.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace kolvane::testing {

class FakeClock final : public Clock {
public:
    explicit FakeClock(LocalDateTime time = {2026, 3, 1, 8, 0, 5, 0}) : time_(time) {}
    LocalDateTime Now() const override {
        std::lock_guard lock(mutex_);
        return time_;
    }
    void Set(const LocalDateTime& time) {
        std::lock_guard lock(mutex_);
        time_ = time;
    }
    void SetTimeOfDay(int hour, int minute, int second) {
        std::lock_guard lock(mutex_);
        time_.hour = hour;
        time_.minute = minute;
        time_.second = second;
    }

private:
    mutable std::mutex mutex_;
    LocalDateTime time_;
};

// Collects what jobs report; tests wait on it with a deadline instead of sleeping.
class CollectingSink final : public JobEventSink {
public:
    void Post(JobEvent event) override {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
        arrived_.notify_all();
    }
    std::vector<JobEvent> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    template <typename Predicate>
    bool waitFor(Predicate predicate,
                 std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] { return predicate(events_); });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<JobEvent> events_;
};

// For conditions nobody signals, such as a file appearing: checked often, up to a deadline.
template <typename Predicate>
bool waitUntil(Predicate predicate, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace kolvane::testing
