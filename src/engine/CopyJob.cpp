#include "engine/CopyJob.h"

#include "engine/FileList.h"
#include "engine/FileSystem.h"
#include "engine/Paths.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <thread>
#include <utility>

namespace kolvane {
namespace {

std::string WithSeparator(std::string path) {
    if (!path.ends_with('/'))
        path += '/';
    return path;
}

// Where the first directory level of `path` that `other` does not share begins.
std::size_t FirstLevelNotShared(std::string_view path, std::string_view other) {
    const auto differ = std::mismatch(path.begin(), path.end(), other.begin(), other.end()).first;
    return ExtractFilePath(path.substr(0, static_cast<std::size_t>(differ - path.begin()))).size();
}

std::string Reason(int error) {
    return std::generic_category().message(error);
}

} // namespace

bool JobRegistry::StopAll(std::chrono::milliseconds grace) {
    std::unique_lock lock(mutex_);
    for (TcopyFile* job : running_)
        job->RequestStop();
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
        if (filesystem::IsExistingFile(dir)) {
            singleFile = true;
            sourceRoot = ExtractFilePath(dir);
            fileList.Add(FileList::Kind::File, ExtractFileName(dir));
            return;
        }
        sourceRoot = baseDir;
        // A source without its trailing separator makes every relative path begin with one.
        std::string relative = dir.ends_with('/') ? "" : "/";
        filesystem::DirectoryListing top(AT_FDCWD, dir.c_str(), true);
        if (top)
            ListDirectory(top, relative, sink);
    }

    // Depth first, in the order the file system lists the names. Links inside the tree are
    // entries of their own and never descended into, so the walk cannot loop or leave the tree.
    // A subdirectory that cannot be listed is reported as it is met; its files are no entries.
    void ListDirectory(filesystem::DirectoryListing& listing, std::string& relative,
                       JobEventSink* sink) {
        const std::size_t base = relative.size();
        while (auto entry = listing.Next()) {
            if (stopRequested.load(std::memory_order_relaxed))
                break;
            relative.resize(base);
            relative += entry->name;
            switch (entry->type) {
            case filesystem::EntryType::File:
                fileList.Add(FileList::Kind::File, relative);
                break;
            case filesystem::EntryType::Link:
                fileList.Add(FileList::Kind::Link, relative);
                break;
            case filesystem::EntryType::Directory: {
                filesystem::DirectoryListing inner(listing.descriptor(), entry->name.data(), false);
                if (!inner) {
                    ReportFailure(sink, sourceRoot + relative, inner.error());
                    break;
                }
                relative += '/';
                ListDirectory(inner, relative, sink);
                break;
            }
            case filesystem::EntryType::Other: // pipes, sockets and devices hold no data to keep
                break;
            }
        }
        relative.resize(base);
    }

    // Returns false when the job was stopped on the way.
    bool CopyEntries(JobEventSink* sink) {
        const int total = static_cast<int>(fileList.size());
        int index = 0;
        std::string source, destination;
        return fileList.ForEach([&](FileList::Kind kind, std::string_view relative) {
            if (stopRequested.load())
                return false;
            source.assign(sourceRoot).append(relative);
            destination.assign(destinationRoot).append(relative);
            int error = ReplaceLinkedDirectories(relative);
            if (error == 0)
                error = CopyEntry(kind, source, destination);
            // Missing destination directories are made only when the copy finds them missing,
            // which spares a look-up per file; the copy is then tried once more. Every level
            // below the root that exists is a real directory by now, so none is followed.
            if (error == ENOENT) {
                MakeDirectoryPath(std::string(ExtractFilePath(destination)));
                error = CopyEntry(kind, source, destination);
            }
            if (stopRequested.load())
                return false;
            ++index;
            Report(sink, {JobEvent::Kind::Progress, jobName, Stamp() + source, total, index});
            if (error != 0)
                ReportFailure(sink, source, error);
            return true;
        });
    }

    // A destination directory that is a link (one recreated from the source by an earlier run,
    // say) would take copies outside the destination, so it becomes a real directory first; the
    // root itself is the user's choice and stays. Entries come depth first, so only the levels
    // not shared with the last directory checked are new. A missing level ends the check: it is
    // made as a real directory when the copy finds it missing.
    int ReplaceLinkedDirectories(std::string_view relative) {
        const std::string_view directory = ExtractFilePath(relative);
        std::string level;
        for (std::size_t end =
                 directory.find('/', FirstLevelNotShared(directory, checkedDirectory));
             end != std::string_view::npos; end = directory.find('/', end + 1)) {
            if (end == 0) // the separator in front of a source's relative paths: the root
                continue;
            level.assign(destinationRoot).append(directory.substr(0, end));
            const int error = filesystem::ReplaceLinkByDirectory(level);
            if (error == ENOENT)
                break;
            if (error != 0)
                return error;
        }
        checkedDirectory.assign(directory);
        return 0;
    }

    int CopyEntry(FileList::Kind kind, const std::string& source, const std::string& destination) {
        return kind == FileList::Kind::Link
                   ? filesystem::CopyLinkAtomically(source, destination)
                   : filesystem::CopyFileAtomically(source, destination, singleFile, stopRequested);
    }

    void ReportCompletion(JobEventSink* sink) {
        JobEvent completion{JobEvent::Kind::Completion, jobName,
                            Stamp() + "任务\"" + jobName + "\"执行完毕"};
        completion.failures = failures;
        Report(sink, std::move(completion));
    }

    void ReportFailure(JobEventSink* sink, const std::string& source, int error) {
        ++failures;
        Report(sink, {JobEvent::Kind::Failure, jobName,
                      Stamp() + "复制失败：" + source + "（" + Reason(error) + "）"});
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
    std::atomic<int> holders{2};

    std::string baseDir, srcPath, destPath;
    std::string sourceRoot, destinationRoot;
    std::string checkedDirectory; // see ReplaceLinkedDirectories
    bool singleFile = false;      // the named source is followed even when it is a link
    int failures = 0;             // failure lines issued, worker only
    FileList fileList;
};

TcopyFile::TcopyFile(std::string jobName, std::shared_ptr<JobRegistry> registry,
                     std::shared_ptr<const Clock> clock)
    : state_(std::make_unique<Shared>(std::move(jobName), std::move(registry), std::move(clock))) {
    state_->registry->Add(this);
    try {
        std::thread([this] {
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
            if (ExtractFileExt(from).empty() && !filesystem::IsExistingFile(from)) {
                from = WithSeparator(std::move(from));
                to = WithSeparator(std::move(to));
            }
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

void TcopyFile::RequestStop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopRequested.store(true);
    }
    state_->handedOver.notify_all();
}

void TcopyFile::Body() {
    Shared& state = *state_;
    if (!state.WaitForHandOver())
        return;
    JobEventSink* sink = onProgress.get();
    if (state.ready.load(std::memory_order_acquire)) {
        state.BuildFileList(state.srcPath, state.destPath, sink);
        if (!state.CopyEntries(sink))
            return;
    }
    state.ReportCompletion(sink);
}

} // namespace kolvane
