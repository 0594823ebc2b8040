#pragma once

#include "engine/FileList.h"
#include "platform/SystemError.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

namespace kolvane {

// What a copy that succeeded did with its entry.
enum class CopyOutcome : unsigned char { Copied, Unchanged, Linked };

// One entry of a copy job on its way through the workers.
struct CopyTask {
    FileList::Kind kind = FileList::Kind::File;
    std::string_view relative; // into the job's list, which outlives the workers
    // Set before the copy when the destination directory could not be made, which spares the
    // copy; otherwise set by the copy.
    platform::SystemError error = 0;
    // The destination directory was made by this job, so no file is expected under the name.
    bool destinationIsNew = false;
    CopyOutcome outcome = CopyOutcome::Copied; // set by the copy
};

// Copies tasks on a few threads of its own while the thread that owns it hands them out (Add)
// and takes them back (TakeFinished) in the order it handed them out, so that its reports keep
// the list's order however the copies overlap. A fixed ring holds the tasks in between, so memory
// does not grow with the list. Every member is called on the owner's thread; `copy` runs on the
// workers, for one task at a time each.
class CopyWorkers {
public:
    // Also given the worker's index, 0 to threads - 1, for what a worker keeps between tasks.
    using Copy = std::function<platform::SystemError(CopyTask&, std::size_t worker)>;

    CopyWorkers(std::size_t threads, Copy copy);
    // Tasks not yet begun are dropped; the destructor waits for the copies under way, so `copy`
    // must end soon once its job is asked to stop.
    ~CopyWorkers();
    CopyWorkers(const CopyWorkers&) = delete;
    CopyWorkers& operator=(const CopyWorkers&) = delete;

    // Whether Add must wait until the oldest task is taken back.
    bool Full() const;
    bool Outstanding() const;
    void Add(const CopyTask& task);
    // The oldest task handed out and not yet taken back, once its copy is over: waits for it when
    // `wait` is set, otherwise gives nothing while it is under way. An error thrown by its copy is
    // thrown here.
    std::optional<CopyTask> TakeFinished(bool wait);

    // Enough threads for the disk's waits to overlap on every core, few enough not to crowd
    // the directories they write into.
    static std::size_t ThreadsFor(std::size_t tasks);

private:
    struct Slot {
        CopyTask task;
        bool finished = false;
        std::exception_ptr failure;
    };

    void Work(std::size_t worker);
    void Close();
    Slot& At(std::size_t sequence) { return ring_[sequence % ring_.size()]; }

    const Copy copy_;
    mutable std::mutex mutex_;
    std::condition_variable work_;     // a task was added, or the workers are to end
    std::condition_variable finished_; // the oldest task's copy is over
    std::vector<Slot> ring_;
    // Sequence numbers of the tasks added, begun by a worker and taken back; guarded by mutex_.
    std::size_t added_ = 0, begun_ = 0, taken_ = 0;
    bool closing_ = false;
    std::vector<std::jthread> threads_;
};

} // namespace kolvane
