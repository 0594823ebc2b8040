#pragma once

#include "engine/JobEvents.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kolvane::bench {

// What a job reported.
struct ReceivedEvents {
    int progress = 0;
    int failures = 0;
    std::string lastNotice; // the counts line of a task with options, say
};

// Receives job events the way the window does: woken per batch, draining every 25 ms.
class BatchingReceiver {
public:
    BatchingReceiver()
        : queue_(std::make_shared<JobEventQueue>([this] { Wake(); })),
          drainer_([this] { DrainUntilStopped(); }) {}
    ~BatchingReceiver() { Stop(); }
    BatchingReceiver(const BatchingReceiver&) = delete;
    BatchingReceiver& operator=(const BatchingReceiver&) = delete;

    std::shared_ptr<JobEventQueue> queue() const { return queue_; }

    // Ends draining after the events still queued.
    const ReceivedEvents& Stop() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (drainer_.joinable())
            drainer_.join();
        return received_;
    }

private:
    void Wake() {
        {
            std::lock_guard lock(mutex_);
            woken_ = true;
        }
        wake_.notify_all();
    }

    void DrainUntilStopped() {
        using namespace std::chrono_literals;
        for (;;) {
            bool stopping;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return woken_ || stopping_; });
                woken_ = false;
                stopping = stopping_;
            }
            if (!stopping)
                std::this_thread::sleep_for(25ms);
            for (const JobEvent& event : queue_->Drain())
                Count(event);
            if (stopping)
                return;
        }
    }

    void Count(const JobEvent& event) {
        received_.progress += event.kind == JobEvent::Kind::Progress;
        received_.failures += event.kind == JobEvent::Kind::Failure;
        if (event.kind == JobEvent::Kind::Notice)
            received_.lastNotice = event.logLine;
    }

    std::shared_ptr<JobEventQueue> queue_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
    bool stopping_ = false;
    ReceivedEvents received_;
    std::thread drainer_;
};

} // namespace kolvane::bench
