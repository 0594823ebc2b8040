#pragma once

#include "engine/Clock.h"
#include "engine/CopyJob.h"

#include <chrono>
#include <memory>
#include <string>
#include <thread>

namespace kolvane::testing {

// Jobs read the time on their workers, so tests set it only while no job runs.
struct FakeClock final : Clock {
    LocalDateTime time{2026, 3, 1, 8, 0, 5, 0};
    LocalDateTime Now() const override { return time; }
};

// For conditions nobody signals, such as a file appearing: checked often, up to a deadline.
template <typename Predicate> bool waitUntil(Predicate predicate) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!predicate() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return predicate();
}

// Copies `source` into `destination` with a job as the task run starts it; returns whether the
// job ended in time.
inline bool RunCopyJob(const std::string& source, const std::string& destination,
                       std::shared_ptr<JobEventSink> sink) {
    const auto jobs = std::make_shared<JobRegistry>();
    auto* job = new TcopyFile("备份", jobs, std::make_shared<FakeClock>());
    job->onProgress = std::move(sink);
    job->SetPaths(source, destination);
    return jobs->WaitIdle(std::chrono::seconds(20));
}

} // namespace kolvane::testing
