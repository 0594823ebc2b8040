#include "engine/CopyWorkers.h"

#include "platform/Process.h"

#include <algorithm>
#include <utility>

namespace kolvane {
namespace {

// Room for the workers to run well ahead of a reporter that is busy for a moment.
constexpr std::size_t kTasksPerThread = 64;
constexpr std::size_t kThreadsPerCore = 2;
constexpr std::size_t kMostThreads = 8;

} // namespace

CopyWorkers::CopyWorkers(std::size_t threads, Copy copy)
    : copy_(std::move(copy)), ring_(std::max<std::size_t>(threads, 1) * kTasksPerThread) {
    threads_.reserve(threads);
    try {
        for (std::size_t i = 0; i < threads; ++i)
            threads_.emplace_back([this, i] { Work(i); });
    } catch (...) {
        Close();
        throw;
    }
}

CopyWorkers::~CopyWorkers() {
    Close();
}

void CopyWorkers::Close() {
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
    }
    work_.notify_all();
    threads_.clear(); // joins
}

std::size_t CopyWorkers::ThreadsFor(std::size_t tasks) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    return std::min({tasks, std::clamp<std::size_t>(cores * kThreadsPerCore, 2, kMostThreads)});
}

bool CopyWorkers::Full() const {
    std::lock_guard lock(mutex_);
    return added_ - taken_ == ring_.size();
}

bool CopyWorkers::Outstanding() const {
    std::lock_guard lock(mutex_);
    return taken_ < added_;
}

void CopyWorkers::Add(const CopyTask& task) {
    {
        std::lock_guard lock(mutex_);
        At(added_++) = Slot{task, false, {}};
    }
    work_.notify_one();
}

std::optional<CopyTask> CopyWorkers::TakeFinished(bool wait) {
    std::unique_lock lock(mutex_);
    if (taken_ == added_)
        return std::nullopt;
    Slot& slot = At(taken_);
    if (!slot.finished && !wait)
        return std::nullopt;
    finished_.wait(lock, [&] { return slot.finished; });
    ++taken_;
    if (slot.failure)
        std::rethrow_exception(std::exchange(slot.failure, nullptr));
    return slot.task;
}

// A slot is written by its worker alone between being begun and being marked finished, both
// under the lock, so the owner sees the whole of it.
void CopyWorkers::Work(std::size_t worker) {
    platform::LowerThreadPriority();
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return closing_ || begun_ < added_; });
        if (closing_)
            return;
        const std::size_t sequence = begun_++;
        Slot& slot = At(sequence);
        lock.unlock();
        if (slot.task.error == 0) {
            try {
                slot.task.error = copy_(slot.task, worker);
            } catch (...) {
                slot.failure = std::current_exception();
            }
        }
        lock.lock();
        slot.finished = true;
        if (sequence == taken_)
            finished_.notify_one();
    }
}

} // namespace kolvane
