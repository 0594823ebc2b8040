#include "engine/JobEvents.h"

#include <utility>

namespace kolvane {

JobEventQueue::JobEventQueue(std::function<void()> wake, std::size_t capacity)
    : wake_(std::move(wake)), capacity_(capacity == 0 ? 1 : capacity) {}

void JobEventQueue::Post(JobEvent event) {
    std::unique_lock lock(mutex_);
    drained_.wait(lock, [this] { return closed_ || pending_.size() < capacity_; });
    if (closed_)
        return;
    pending_.push_back(std::move(event));
    if (wakePending_)
        return;
    wakePending_ = true;
    // The wake runs outside the lock so that it may drain at once; Close waits for it.
    ++wakesInFlight_;
    lock.unlock();
    if (wake_)
        wake_();
    lock.lock();
    --wakesInFlight_;
    drained_.notify_all();
}

std::vector<JobEvent> JobEventQueue::Drain() {
    std::vector<JobEvent> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(pending_);
        wakePending_ = false;
    }
    drained_.notify_all();
    return batch;
}

void JobEventQueue::Close() {
    std::unique_lock lock(mutex_);
    closed_ = true;
    pending_.clear();
    drained_.notify_all();
    drained_.wait(lock, [this] { return wakesInFlight_ == 0; });
}

} // namespace kolvane
