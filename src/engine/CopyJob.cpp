#include "engine/CopyJob.h"

#include "base/Text.h"
#include "engine/BackupRuns.h"
#include "engine/CopyWorkers.h"
#include "engine/FileList.h"
#include "engine/ListingsAhead.h"
#include "engine/NameMask.h"
#include "engine/Paths.h"
#include "engine/UnchangedCopies.h"
#include "platform/BackupFiles.h"
#include "platform/DirectoryListing.h"
#include "platform/FileCopy.h"
#include "platform/Files.h"
#include "platform/Process.h"

#include <algorithm>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace kolvane {
namespace {

// Where the first directory level of `path` that `other` does not share begins.
std::size_t FirstLevelNotShared(std::string_view path, std::string_view other) {
    const auto differ = std::mismatch(path.begin(), path.end(), other.begin(), other.end()).first;
    return ExtractFilePath(path.substr(0, static_cast<std::size_t>(differ - path.begin()))).size();
}

// The common failures are told in the interface's language, the rare ones in the system's words.
std::string Reason(platform::SystemError error) {
    switch (platform::KindOfError(error)) {
    case platform::ErrorKind::PermissionDenied:
        return "权限不足";
    case platform::ErrorKind::DiskFull:
        return "磁盘空间不足";
    case platform::ErrorKind::NotFound:
        return "找不到文件";
    case platform::ErrorKind::ReadOnlyDestination:
        return "目标文件只读";
    case platform::ErrorKind::ReadOnlyFileSystem:
        return "文件系统只读";
    case platform::ErrorKind::NameTooLong:
        return "文件名过长";
    case platform::ErrorKind::InUse:
        return "文件正被使用";
    case platform::ErrorKind::Other:
        break;
    }
    return platform::ErrorReason(error);
}

} // namespace

bool JobRegistry::StopAll(std::chrono::milliseconds grace) {
    std::unique_lock lock(mutex_);
    for (TcopyFile* job : running_)
        job->RequestStop(false);
    return idle_.wait_for(lock, grace, [this] { return running_.empty(); });
}

bool JobRegistry::WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return running_.empty(); });
}

void JobRegistry::Add(TcopyFile* job) {
    std::lock_guard lock(mutex_);
    running_.insert(job);
}

void JobRegistry::Remove(TcopyFile* job) {
    std::lock_guard lock(mutex_);
    running_.erase(job);
    if (running_.empty())
        idle_.notify_all();
}

// What the creator hands over and the worker works on. The paths are written before `ready` is
// raised and read only after it is seen.
struct TcopyFile::Shared {
    Shared(std::string name, std::shared_ptr<JobRegistry> jobs, std::shared_ptr<const Clock> time)
        : jobName(std::move(name)), registry(std::move(jobs)), clock(std::move(time)) {}

    // Both the worker and SetPaths hold the job, so it lives until the later of them lets go.
    bool LetGo() { return holders.fetch_sub(1, std::memory_order_acq_rel) == 1; }

    // Returns whether the job goes on: paths handed over, or found unusable.
    bool WaitForHandOver() {
        std::unique_lock lock(mutex);
        handedOver.wait(lock, [this] {
            return ready.load(std::memory_order_acquire) || pathsUnusable || stopRequested.load();
        });
        return !stopRequested.load();
    }

    void BuildFileList(const std::string& dir, const std::string& dest, JobEventSink* sink) {
        if (dir.empty() || dest.empty())
            return;
        destinationRoot = WithSeparator(dest);
        if (platform::IsExistingFile(dir)) {
            singleFile = true;
            sourceRoot = ExtractFilePath(dir);
            platform::RemoveStaleCopyTemporaries(destinationRoot);
            if (!excluded.Matches(ExtractFileName(dir)))
                fileList.Add(FileList::Kind::File, ExtractFileName(dir));
            return;
        }
        sourceRoot = baseDir;
        // A source without its trailing separator makes every relative path begin with one.
        std::string relative = EndsWithSeparator(dir) ? "" : std::string(1, kPathSeparator);
        ListedDirectory top(std::make_unique<platform::DirectoryListing>(dir));
        if (!*top.listing) {
            ReportFailure(sink, sourceAsGiven, top.listing->error());
            return;
        }
        if (!FindBackupsInside(dir, relative)) {
            ReportBackupsLeftOut(sink, dir);
            return;
        }
        top.ReadMore();
        ListingsAhead ahead(ListingsAhead::ThreadsForThisMachine());
        ListDirectory(top, relative, ahead, sink);
    }

    // Sets backupsInside to the relative path under which the backups lie inside the source.
    // Returns false when the backups are the source itself, which leaves nothing to copy.
    bool FindBackupsInside(const std::string& dir, const std::string& relative) {
        const std::optional<std::string> source = platform::CanonicalPath(dir);
        const std::optional<std::string> backups =
            platform::CanonicalPath(backupRoot.empty() ? destPath : backupRoot);
        if (!source || !backups)
            return true;
        if (*backups == *source)
            return false;
        const std::string within = WithSeparator(*source);
        if (backups->starts_with(within))
            backupsInside = relative + backups->substr(within.size());
        return true;
    }

    // Depth first, in the order the file system lists the names. Links inside the tree are
    // entries of their own and never descended into, so the walk cannot loop or leave the tree.
    // A subdirectory that cannot be listed is reported as it is met; its files are no entries.
    // Each destination directory that matches a listed one is rid of stale temporaries, which
    // costs a listing per directory, never a call per file. Subdirectories are opened and their
    // first entries read by `ahead` while this thread goes through what comes before them.
    void ListDirectory(ListedDirectory& directory, std::string& relative, ListingsAhead& ahead,
                       JobEventSink* sink) {
        platform::RemoveStaleCopyTemporaries(destinationRoot + relative);
        SubdirectoriesAhead subdirectories(ahead, *directory.listing);
        for (;;) {
            ListEntries(directory.entries, subdirectories, relative, ahead, sink);
            if (directory.complete || stopRequested.load(std::memory_order_relaxed))
                return;
            directory.ReadMore();
            subdirectories.Restart();
        }
    }

    // Lists the entries read from the directory at `relative`, and what lies below them.
    void ListEntries(const ListedEntries& entries, SubdirectoriesAhead& subdirectories,
                     std::string& relative, ListingsAhead& ahead, JobEventSink* sink) {
        const std::size_t base = relative.size();
        const auto descends = [&](std::size_t i) {
            const std::string_view name = entries.Name(i);
            return entries.Type(i) == platform::EntryType::Directory && !excluded.Matches(name) &&
                   !IsBackupsInside(std::string_view(relative).substr(0, base), name);
        };
        subdirectories.AskAhead(entries, descends);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (stopRequested.load(std::memory_order_relaxed))
                break;
            const std::string_view name = entries.Name(i);
            if (excluded.Matches(name))
                continue;
            relative.resize(base);
            relative += name;
            switch (entries.Type(i)) {
            case platform::EntryType::File:
                fileList.Add(FileList::Kind::File, relative);
                break;
            case platform::EntryType::Link:
                fileList.Add(FileList::Kind::Link, relative);
                break;
            case platform::EntryType::Directory: {
                if (IsBackupsInside(std::string_view(relative).substr(0, base), name)) {
                    ReportBackupsLeftOut(sink, sourceRoot + relative);
                    break;
                }
                ListedDirectory inner = subdirectories.Open(i, name);
                if (!*inner.listing) {
                    ReportFailure(sink, sourceRoot + relative, inner.listing->error());
                    break;
                }
                relative += kPathSeparator;
                ListDirectory(inner, relative, ahead, sink);
                subdirectories.AskAhead(entries, descends);
                break;
            }
            case platform::EntryType::Other: // pipes, sockets and devices hold no data to keep
                break;
            }
        }
        relative.resize(base);
    }

    // Whether the subdirectory `name` of the one at `directory` holds the backups.
    bool IsBackupsInside(std::string_view directory, std::string_view name) const {
        return backupsInside.size() == directory.size() + name.size() &&
               backupsInside.starts_with(directory) && backupsInside.ends_with(name);
    }

    // Returns false when the job was stopped on the way. The copies overlap on the workers while
    // this thread makes the destination directories, hands the entries out in list order and
    // reports each once its copy is over, in the same order.
    bool CopyEntries(JobEventSink* sink) {
        const int total = static_cast<int>(fileList.size());
        int index = 0;
        const std::size_t workerCount = WorkerCount();
        workerDirectories.resize(workerCount);
        CopyWorkers workers(workerCount, [this](CopyTask& task, std::size_t worker) {
            return CopyEntry(task, worker);
        });
        const auto reportTask = [&](const CopyTask& task) {
            const std::string source = sourceRoot + std::string(task.relative);
            Report(sink, {JobEvent::Kind::Progress, jobName, Stamp() + source, total, ++index});
            if (task.error != 0)
                ReportFailure(sink, source, task.error);
            else
                CountOutcome(task.outcome);
        };
        const auto reportFinished = [&](bool waitForOldest) {
            for (bool wait = waitForOldest; auto task = workers.TakeFinished(wait); wait = false) {
                if (stopRequested.load())
                    return false;
                reportTask(*task);
            }
            return !stopRequested.load();
        };
        std::optional<UnchangedEntries> unchanged;
        if (options.skipSame && !singleFile)
            unchanged.emplace(fileList, sourceRoot, destinationRoot);
        std::size_t position = 0;
        const bool handedOut =
            fileList.ForEach([&](FileList::Kind kind, std::string_view relative) {
                if (workers.Full() && !reportFinished(true))
                    return false;
                CopyTask task{kind, relative};
                task.error = PrepareDestinationDirectory(relative, task.destinationIsNew);
                // An unchanged copy costs a worker nothing, so when no copy before it is still
                // to be reported it is reported at once.
                if (unchanged && IsKnownUnchanged(*unchanged, position++, task) &&
                    !workers.Outstanding()) {
                    reportTask(task);
                    return !stopRequested.load();
                }
                workers.Add(task);
                return reportFinished(false);
            });
        while (handedOut && workers.Outstanding())
            if (!reportFinished(true))
                return false;
        return handedOut && !stopRequested.load();
    }

    // Makes the entry's destination directory a real one before anything is copied into it.
    // A level that is a link (one recreated from the source by an earlier run, say) would take
    // copies outside the destination, so it becomes a real directory first; the root itself is
    // the user's choice and stays. Entries come depth first, so only the levels not shared with
    // the last directory prepared are new, and each missing directory is made once, with every
    // level below it; a level that cannot be made is the real reason of the failure, told for
    // each entry that needed it. Sets `made` when this job made the directory, which then holds
    // nothing but what the job puts there.
    platform::SystemError PrepareDestinationDirectory(std::string_view relative, bool& made) {
        if (!rootPrepared) {
            rootMade = !platform::IsDirectory(destinationRoot);
            if (const platform::SystemError error = MakeDirectoryPathOrError(destinationRoot))
                return error;
            rootPrepared = true;
        }
        const std::string_view directory = ExtractFilePath(relative);
        std::string level;
        for (std::size_t end =
                 directory.find(kPathSeparator, FirstLevelNotShared(directory, preparedDirectory));
             end != std::string_view::npos; end = directory.find(kPathSeparator, end + 1)) {
            if (end == 0) // the separator in front of a source's relative paths: the root
                continue;
            level.assign(destinationRoot).append(directory.substr(0, end));
            const platform::SystemError error = platform::ReplaceLinkByDirectory(level);
            if (platform::IsNotFound(error)) {
                if (const platform::SystemError failure = MakeMissingLevels(directory, end))
                    return failure;
                break;
            }
            if (error != 0)
                return error;
        }
        preparedDirectory.assign(directory);
        made = IsMadeByThisJob(directory);
        return 0;
    }

    // Makes `directory`, whose level ending at `firstMissing` and all below it are missing.
    platform::SystemError MakeMissingLevels(std::string_view directory, std::size_t firstMissing) {
        if (const platform::SystemError error =
                MakeDirectoryPathOrError(destinationRoot + std::string(directory)))
            return error;
        if (!IsMadeByThisJob(directory))
            madeDirectory.assign(directory.substr(0, firstMissing + 1));
        return 0;
    }

    // A directory listed depth first has its whole subtree listed before any other entry, so
    // the directories this job made are those under the last one it made.
    bool IsMadeByThisJob(std::string_view directory) const {
        return rootMade || (!madeDirectory.empty() && directory.starts_with(madeDirectory));
    }

    // Runs on the workers. A tree's files are copied through the worker's own open directories,
    // so no path is put together for them.
    platform::SystemError CopyEntry(CopyTask& task, std::size_t worker) const {
        if (singleFile)
            return CopySingleFile(task);
        if (task.kind == FileList::Kind::Link)
            return platform::CopyLinkAtomically(sourceRoot + std::string(task.relative),
                                                destinationRoot + std::string(task.relative));
        if (task.outcome == CopyOutcome::Unchanged)
            return 0;
        // Where no link can be made (another volume, a file system without links, the link
        // limit, a name already taken) the file is copied instead.
        if (!previousRun.empty() && PreviousRunLinksOf(worker).LinkIfUnchanged(task.relative)) {
            task.outcome = CopyOutcome::Linked;
            return 0;
        }
        return WorkerOwn(worker).copies.Copy(task.relative, {false, task.destinationIsNew},
                                             stopRequested);
    }

    // The source named is followed when it is a link, so it is looked at by its whole path.
    platform::SystemError CopySingleFile(CopyTask& task) const {
        const std::string source = sourceRoot + std::string(task.relative);
        const std::string destination = destinationRoot + std::string(task.relative);
        if (options.skipSame && IsCopyUnchanged(source, destination)) {
            task.outcome = CopyOutcome::Unchanged;
            return 0;
        }
        if (!previousRun.empty() && LinkToPreviousRun(task.relative, source, destination)) {
            task.outcome = CopyOutcome::Linked;
            return 0;
        }
        return platform::CopyFileAtomically(source, destination, {true, task.destinationIsNew},
                                            stopRequested);
    }

    // ---- options of the task --------------------------------------------------------------

    // Links into one directory wait for each other on its lock, so a run that mostly links gains
    // nothing from more workers than cores, and measurably loses with more.
    std::size_t WorkerCount() const {
        const std::size_t usual = CopyWorkers::ThreadsFor(fileList.size());
        if (previousRun.empty())
            return usual;
        return std::min<std::size_t>(usual, std::max(1u, std::thread::hardware_concurrency()));
    }

    // Marks a file of a tree that skipSame leaves as it is. A single-file source, which may be a
    // link to follow, is looked at by its copy instead.
    static bool IsKnownUnchanged(UnchangedEntries& unchanged, std::size_t position,
                                 CopyTask& task) {
        if (task.error != 0 || task.destinationIsNew || task.kind != FileList::Kind::File ||
            !unchanged.IsUnchanged(position, task.relative))
            return false;
        task.outcome = CopyOutcome::Unchanged;
        return true;
    }

    // A single-file source as a regular file, followed when it is a link.
    static std::optional<platform::FileStamp> SourceStamp(const std::string& source) {
        const std::optional<std::string> target = platform::CanonicalPath(source);
        return target ? platform::RegularFileStamp(*target) : std::nullopt;
    }

    // A destination that is a link is never taken for the copy: the copy replaces it.
    bool IsCopyUnchanged(const std::string& source, const std::string& destination) const {
        const auto copy = platform::RegularFileStamp(destination);
        if (!copy)
            return false;
        const auto original = SourceStamp(source);
        return original && platform::SameStamp(*original, *copy);
    }

    // Runs on the workers, for a single-file source. Where no link can be made the file is
    // copied instead.
    bool LinkToPreviousRun(std::string_view relative, const std::string& source,
                           const std::string& destination) const {
        const std::string previous = previousRun + std::string(relative);
        const auto earlier = platform::RegularFileStamp(previous);
        const auto original = SourceStamp(source);
        return earlier && original && platform::SameStamp(*original, *earlier) &&
               platform::MakeHardLink(previous, destination) == 0;
    }

    PreviousRunLinks& PreviousRunLinksOf(std::size_t worker) const {
        std::optional<PreviousRunLinks>& links = WorkerOwn(worker).links;
        if (!links)
            links.emplace(sourceRoot, previousRun, destinationRoot);
        return *links;
    }

    // Each worker keeps the directories of its last entry open, since entries come directory by
    // directory; its slot is its own, made before the workers start. Kept by the job rather than
    // in thread-local storage, whose objects with destructors some Windows runtimes free wrongly
    // at a thread's end.
    struct WorkerDirectories {
        WorkerDirectories(const std::string& source, const std::string& destination)
            : copies(source, destination) {}
        EntryCopies copies;
        std::optional<PreviousRunLinks> links; // linkSame's
    };
    WorkerDirectories& WorkerOwn(std::size_t worker) const {
        std::unique_ptr<WorkerDirectories>& own = workerDirectories[worker];
        if (!own)
            own = std::make_unique<WorkerDirectories>(sourceRoot, destinationRoot);
        return *own;
    }

    // The directory that holds the time-named sub-directories, with its separator; empty when
    // the destination is not one of them.
    std::string RunsRoot() const {
        if (runDirectory.empty())
            return {};
        std::string path = destPath;
        while (EndsWithSeparator(path))
            path.pop_back();
        if (!path.ends_with(runDirectory) || path.size() == runDirectory.size())
            return {};
        path.resize(path.size() - runDirectory.size());
        return EndsWithSeparator(path) ? path : std::string{};
    }

    void FindPreviousRun() {
        const std::string root = RunsRoot();
        if (!options.linkSame || root.empty())
            return;
        if (const auto previous = NewestRunBefore(ListTimeNamedRuns(root), runDirectory))
            previousRun = root + *previous + kPathSeparator;
    }

    void CountOutcome(CopyOutcome outcome) {
        switch (outcome) {
        case CopyOutcome::Copied:
            ++copied;
            break;
        case CopyOutcome::Unchanged:
            ++unchanged;
            break;
        case CopyOutcome::Linked:
            ++linked;
            break;
        }
    }

    // The copies are always told, the other counts only when they are not zero.
    void ReportCounts(JobEventSink* sink) {
        if (!UsesAnyOption(options))
            return;
        std::string line = Stamp() + "复制 " + std::to_string(copied) + " 个";
        if (unchanged > 0)
            line += "，未变 " + std::to_string(unchanged) + " 个";
        if (linked > 0)
            line += "，链接 " + std::to_string(linked) + " 个";
        if (failures > 0)
            line += "，失败 " + std::to_string(failures) + " 个";
        Report(sink, {JobEvent::Kind::Notice, jobName, std::move(line)});
    }

    // After a run without failures only: a failed run must not push out a good backup. Removals
    // fail quietly, like the copies of the task's first version did.
    void RemoveOldRuns(const std::vector<std::string>& inUse) {
        const std::string root = RunsRoot();
        if (options.keepLast <= 0 || root.empty() || failures > 0)
            return;
        for (const std::string& run :
             RunsToRemove(ListTimeNamedRuns(root), options.keepLast, runDirectory, inUse)) {
            if (stopRequested.load())
                return;
            platform::RemoveDirectoryTree(root + run);
        }
    }

    void ReportCompletion(JobEventSink* sink) {
        JobEvent completion{JobEvent::Kind::Completion, jobName,
                            Stamp() + "任务\"" + jobName + "\"执行完毕"};
        completion.failures = failures;
        Report(sink, std::move(completion));
    }

    // Posted past the stop, which silences every other report: the stop is what it tells.
    void ReportStopped(JobEventSink* sink) {
        JobEvent stopped{JobEvent::Kind::Completion, jobName,
                         Stamp() + "任务\"" + jobName + "\"已停止"};
        stopped.failures = failures;
        stopped.stopped = true;
        if (sink)
            sink->Post(std::move(stopped));
    }

    void ReportFailure(JobEventSink* sink, const std::string& source, platform::SystemError error) {
        ++failures;
        Report(sink, {JobEvent::Kind::Failure, jobName,
                      Stamp() + "复制失败：" + source + "（" + Reason(error) + "）"});
    }

    void ReportBackupsLeftOut(JobEventSink* sink, const std::string& directory) {
        Report(sink, {JobEvent::Kind::Notice, jobName,
                      Stamp() + "目标目录在源目录内，不复制：" + directory});
    }

    std::string Stamp() const { return FormatTimeStamp(clock->Now()) + "："; }

    // A stopped job reports nothing more.
    void Report(JobEventSink* sink, JobEvent event) {
        if (sink && !stopRequested.load())
            sink->Post(std::move(event));
    }

    const std::string jobName;
    const std::shared_ptr<JobRegistry> registry;
    const std::shared_ptr<const Clock> clock;

    std::mutex mutex;
    std::condition_variable handedOver;
    std::atomic<bool> ready{false};
    bool pathsUnusable = false; // guarded by mutex
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> stoppedByUser{false};
    std::atomic<int> holders{2};

    std::string baseDir, srcPath, destPath;
    std::string sourceAsGiven, backupRoot;
    std::string sourceRoot, destinationRoot;
    std::string backupsInside; // relative path of the backups when they lie inside the source
    // See PrepareDestinationDirectory; the owner thread only.
    std::string preparedDirectory, madeDirectory;
    bool rootPrepared = false, rootMade = false;
    bool singleFile = false; // the named source is followed even when it is a link
    int failures = 0;        // failure lines issued, worker only
    FileList fileList;

    TaskOptions options;
    std::string runDirectory;
    NameMask excluded;
    std::string previousRun; // the newest earlier run linkSame links to, with its separator
    // One for each worker, indexed by the worker.
    mutable std::vector<std::unique_ptr<WorkerDirectories>> workerDirectories;
    int copied = 0, unchanged = 0, linked = 0; // worker only
};

bool JobRegistry::IsRunning(const std::string& jobName) const {
    std::lock_guard lock(mutex_);
    return std::any_of(running_.begin(), running_.end(),
                       [&](const TcopyFile* job) { return job->state_->jobName == jobName; });
}

void JobRegistry::StopJobsOf(const std::string& jobName) {
    std::lock_guard lock(mutex_);
    for (TcopyFile* job : running_) {
        if (job->state_->jobName == jobName)
            job->RequestStop(true);
    }
}

// The paths and the run directory of a job are stored under its lock, and read here under it.
std::vector<std::string> JobRegistry::RunDirectoriesInUse(const std::string& runsRoot,
                                                          const TcopyFile* except) const {
    std::vector<std::string> inUse;
    std::lock_guard lock(mutex_);
    for (const TcopyFile* job : running_) {
        if (job == except)
            continue;
        std::lock_guard jobLock(job->state_->mutex);
        if (!job->state_->runDirectory.empty() && job->state_->RunsRoot() == runsRoot)
            inUse.push_back(job->state_->runDirectory);
    }
    return inUse;
}

TcopyFile::TcopyFile(std::string jobName, std::shared_ptr<JobRegistry> registry,
                     std::shared_ptr<const Clock> clock)
    : state_(std::make_unique<Shared>(std::move(jobName), std::move(registry), std::move(clock))) {
    state_->registry->Add(this);
    try {
        std::thread([this] {
            // A job's threads give way to the windows: with the cores busy with copies, the
            // window went up to 60 ms without taking its events.
            platform::LowerThreadPriority();
            try {
                Body();
            } catch (...) {
                // An error inside the worker ends the job quietly; nothing reaches the user.
            }
            state_->registry->Remove(this);
            if (state_->LetGo())
                delete this;
        }).detach();
    } catch (...) {
        state_->registry->Remove(this);
        throw;
    }
}

TcopyFile::~TcopyFile() = default;

void TcopyFile::SetPaths(const std::string& source, const std::string& destination) {
    std::string from = TrimControl(source);
    std::string to = TrimControl(destination);
    {
        std::lock_guard lock(state_->mutex);
        if (from.empty() || to.empty()) {
            state_->pathsUnusable = true;
        } else {
            state_->sourceAsGiven = from;
            if (ExtractFileExt(from).empty() && !platform::IsExistingFile(from)) {
                from = WithSeparator(std::move(from));
                to = WithSeparator(std::move(to));
            }
            state_->backupRoot = backupRoot;
            state_->options = options;
            state_->runDirectory = runDirectory;
            state_->excluded = NameMask(options.excludeMask, platform::kNamesIgnoreLetterCase);
            state_->baseDir = from;
            state_->srcPath = std::move(from);
            state_->destPath = std::move(to);
            state_->ready.store(true, std::memory_order_release);
        }
    }
    state_->handedOver.notify_all();
    if (state_->LetGo())
        delete this;
}

void TcopyFile::RequestStop(bool byUser) {
    {
        std::lock_guard lock(state_->mutex);
        if (byUser && !state_->stopRequested.load())
            state_->stoppedByUser.store(true);
        state_->stopRequested.store(true);
    }
    state_->handedOver.notify_all();
}

// A user's stop comes only after SetPaths, so onProgress is read after the hand-over whichever
// way the wait ends.
void TcopyFile::Body() {
    Shared& state = *state_;
    const bool handedOver = state.WaitForHandOver();
    JobEventSink* sink = onProgress.get();
    if (handedOver && Copy(sink)) {
        state.ReportCompletion(sink);
        state.ReportCounts(sink);
        state.RemoveOldRuns(state.registry->RunDirectoriesInUse(state.RunsRoot(), this));
        return;
    }
    if (state.stoppedByUser.load())
        state.ReportStopped(sink);
}

// Returns false when the job was stopped on the way.
bool TcopyFile::Copy(JobEventSink* sink) {
    Shared& state = *state_;
    if (!state.ready.load(std::memory_order_acquire))
        return true;
    state.BuildFileList(state.srcPath, state.destPath, sink);
    state.FindPreviousRun();
    return state.CopyEntries(sink);
}

} // namespace kolvane
