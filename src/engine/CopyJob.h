#pragma once

#include "engine/Clock.h"
#include "engine/JobEvents.h"
#include "store/TaskOptions.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace kolvane {

class TcopyFile;

// Knows the copy jobs that are running, so the program's end can ask them to stop. Thread-safe.
class JobRegistry {
public:
    // Asks every running job to stop and waits up to `grace` for them to end.
    // Returns whether all of them ended in time.
    bool StopAll(std::chrono::milliseconds grace);
    // Waits up to `timeout` for every running job to end.
    bool WaitIdle(std::chrono::milliseconds timeout);
    // Whether a job of this name is still running.
    bool IsRunning(const std::string& jobName) const;
    // Asks every running job of this name to stop; each then reports its stopped line in place
    // of the completion line. Returns at once.
    void StopJobsOf(const std::string& jobName);
    // The time-named sub-directories of `runsRoot` that running jobs other than `except` write
    // into.
    std::vector<std::string> RunDirectoriesInUse(const std::string& runsRoot,
                                                 const TcopyFile* except) const;

private:
    friend class TcopyFile;
    void Add(TcopyFile* job);
    void Remove(TcopyFile* job);

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    std::unordered_set<TcopyFile*> running_;
};

// One copy job: copies a source file or tree into a destination directory on a worker thread of
// its own, reporting every entry it attempts and then its completion line to onProgress.
// Construction starts the worker, which waits for SetPaths; the job frees itself when done, so
// the creator must not touch it after SetPaths.
class TcopyFile {
public:
    TcopyFile(std::string jobName, std::shared_ptr<JobRegistry> registry,
              std::shared_ptr<const Clock> clock);

    // Set by the creator before SetPaths; may stay empty.
    std::shared_ptr<JobEventSink> onProgress;
    // Set by the creator before SetPaths: the directory that holds the task's backups, when it is
    // not the destination itself (the parent of time-named sub-directories). Left out of the
    // source when it lies inside, so that no run copies earlier backups.
    std::string backupRoot;
    // Set by the creator before SetPaths: the options of the task, and the name of the
    // time-named sub-directory the destination ends in (empty when it has none), which linkSame
    // and keepLast work on.
    TaskOptions options;
    std::string runDirectory;

    // Trims and hands over the paths (UI thread, once). Blank paths end the job without copying.
    void SetPaths(const std::string& source, const std::string& destination);

private:
    ~TcopyFile();
    friend class JobRegistry;
    // A stop asked for by the user is told in the log; the program's end stops jobs silently.
    void RequestStop(bool byUser);
    void Body();
    bool Copy(JobEventSink* sink);

    struct Shared;
    std::unique_ptr<Shared> state_;
};

} // namespace kolvane
