#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace kolvane {

// What a copy job reports. The log line is complete and stamped with the time the worker issued it.
// A notice is a line for the log alone, neither progress nor failure.
struct JobEvent {
    enum class Kind { Progress, Failure, Completion, Notice };
    Kind kind = Kind::Progress;
    std::string jobName;
    std::string logLine;
    int total = 0;    // Progress only
    int index = 0;    // Progress only, 1-based
    int failures = 0; // Completion only: the job's failed copies
    // Completion only: the user stopped the job, and the line tells that in place of the
    // completion line.
    bool stopped = false;
};

// Receives a job's events, in the order the job issued them. Post is called on the job's worker
// thread.
class JobEventSink {
public:
    virtual ~JobEventSink() = default;
    virtual void Post(JobEvent event) = 0;
};

// Events cross from the workers to the owner's thread through this queue. The wake function is
// called on a worker thread when events arrive and no wake is pending; the owner then takes the
// whole batch with Drain on its own thread, which makes the next arrival wake it again.
// A full queue holds its workers back until the owner drains it; after Close every event is
// dropped. The wake runs outside the queue's lock, so it may drain at once; Close returns only
// after every wake under way has returned, so no wake comes after Close, and a wake must not call
// Close. At the program's end, close the queue before stopping the jobs, so that none of them is
// held back in Post.
class JobEventQueue final : public JobEventSink {
public:
    explicit JobEventQueue(std::function<void()> wake, std::size_t capacity = 20000);

    void Post(JobEvent event) override;
    std::vector<JobEvent> Drain();
    void Close();

private:
    std::mutex mutex_;
    std::condition_variable drained_;
    std::function<void()> wake_;
    std::vector<JobEvent> pending_;
    std::size_t capacity_;
    // Wake calls under way outside the lock; Close waits for them to return.
    std::size_t wakesInFlight_ = 0;
    bool wakePending_ = false;
    bool closed_ = false;
};

} // namespace kolvane
