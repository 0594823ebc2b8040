// Times runs of a task with options against what they spare, in interleaved series on 20,000
// files of 4 KiB in 200 directories:
//  - skipSame onto an unchanged copy, against `rsync -a src/ dst/` on the same unchanged copy;
//  - linkSame into a fresh time-named sub-directory next to an unchanged earlier one, against a
//    full copy into a fresh directory; and the disk space such a run adds.
// Prints figures and ratios only; it never fails on timing.
//
//   bench_options [--work DIR] [--runs N] [--keep]
//
// The work directory is made under DIR, else $TMPDIR, else /tmp. Every timed run that writes
// gets a destination of its own, and nothing is deleted until the series are over.

#include "BatchingReceiver.h"
#include "BenchTools.h"
#include "engine/Clock.h"
#include "engine/CopyJob.h"
#include "engine/JobEvents.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using namespace kolvane::bench;

constexpr int kFiles = 20000;
constexpr int kDirectories = 200;
constexpr std::size_t kFileSize = 4 << 10;

// A run as the task run starts it; `runDirectory` names the time-named sub-directory of
// `backupRoot` it copies into, or is empty to copy into `backupRoot` itself.
double TimeJob(const fs::path& source, const fs::path& backupRoot, const std::string& runDirectory,
               const kolvane::TaskOptions& options, std::string* countsLine = nullptr) {
    ::sync();
    kolvane::bench::BatchingReceiver receiver;
    auto registry = std::make_shared<kolvane::JobRegistry>();
    const auto start = SteadyClock::now();
    auto* job = new kolvane::TcopyFile("bench", registry, std::make_shared<kolvane::SystemClock>());
    job->onProgress = receiver.queue();
    job->options = options;
    job->runDirectory = runDirectory;
    job->backupRoot = backupRoot.string();
    const fs::path destination = runDirectory.empty() ? backupRoot : backupRoot / runDirectory;
    job->SetPaths(source.string() + "/", destination.string());
    registry->WaitIdle(24h);
    const double seconds = Seconds(SteadyClock::now() - start);
    const kolvane::bench::ReceivedEvents& received = receiver.Stop();
    if (received.progress != kFiles)
        std::printf("  warning: the job reported %d files, not %d\n", received.progress, kFiles);
    if (countsLine)
        *countsLine = received.lastNotice;
    return seconds;
}

void BuildTree(const fs::path& root) {
    std::mt19937 random(42);
    std::vector<char> content(kFileSize);
    for (char& byte : content)
        byte = static_cast<char>(random());
    for (int file = 0; file < kFiles; ++file) {
        const fs::path directory = root / ("dir" + std::to_string(file % kDirectories));
        if (file < kDirectories)
            fs::create_directories(directory);
        std::ofstream(directory / ("file" + std::to_string(file) + ".dat"), std::ios::binary)
            .write(content.data(), static_cast<std::streamsize>(content.size()));
    }
}

void PrintRow(const char* label, const std::vector<double>& times, double reference,
              const char* referenceName) {
    const auto [fastest, slowest] = std::minmax_element(times.begin(), times.end());
    std::printf("  %-34s median %7.3f s  (%.3f to %.3f)  ratio to %s %.2f\n", label, Median(times),
                *fastest, *slowest, referenceName, Median(times) / reference);
}

kolvane::TaskOptions SkipSame() {
    kolvane::TaskOptions options;
    options.skipSame = true;
    return options;
}

kolvane::TaskOptions LinkSame() {
    kolvane::TaskOptions options;
    options.linkSame = true;
    return options;
}

// Both leave the unchanged copy as it is, so both run on the same one.
void SkipSameSeries(const fs::path& source, const fs::path& work, int runs) {
    const fs::path copy = work / "unchanged";
    TimeCommand("rsync -a " + Quoted(source.string() + "/") + " " + Quoted(copy.string() + "/"));
    std::vector<double> job, rsync;
    std::string counts;
    for (int run = 0; run < runs; ++run) {
        const auto timeJob = [&] { job.push_back(TimeJob(source, copy, {}, SkipSame(), &counts)); };
        const auto timeRsync = [&] {
            rsync.push_back(TimeCommand("rsync -a " + Quoted(source.string() + "/") + " " +
                                        Quoted(copy.string() + "/")));
        };
        if (run % 2 == 0) {
            timeJob();
            timeRsync();
        } else {
            timeRsync();
            timeJob();
        }
        std::printf("  run %d: skipSame %.3f s, rsync -a %.3f s\n", run + 1, job.back(),
                    rsync.back());
        std::fflush(stdout);
    }
    std::printf("skipSame on %d unchanged files of %zu KiB, %d runs (job's counts: %s):\n", kFiles,
                kFileSize >> 10, runs, counts.c_str());
    PrintRow("rsync -a src/ dst/", rsync, Median(rsync), "rsync");
    PrintRow("job with skipSame", job, Median(rsync), "rsync");
    std::printf("\n");
}

struct SpaceAdded {
    long long directories = 0, directoryBytes = 0;
    long long ownFiles = 0, ownFileBytes = 0; // files whose content no other name shares
    long long linkedFiles = 0;
};

SpaceAdded SpaceOf(const fs::path& run) {
    SpaceAdded space;
    for (const auto& entry : fs::recursive_directory_iterator(run)) {
        struct stat status {};
        if (::lstat(entry.path().c_str(), &status) != 0)
            continue;
        if (S_ISDIR(status.st_mode)) {
            ++space.directories;
            space.directoryBytes += static_cast<long long>(status.st_blocks) * 512;
        } else if (status.st_nlink > 1) {
            ++space.linkedFiles;
        } else {
            ++space.ownFiles;
            space.ownFileBytes += static_cast<long long>(status.st_blocks) * 512;
        }
    }
    return space;
}

std::string RunName(int run) {
    char name[32];
    std::snprintf(name, sizeof name, "20260102-%06d", run);
    return name;
}

// Each linkSame run links to the one before it, the first to a full copy made beforehand.
void LinkSameSeries(const fs::path& source, const fs::path& work, int runs) {
    const fs::path links = work / "runs", full = work / "full";
    TimeJob(source, links, "20260101-000000", {});
    std::vector<double> linked, copied;
    std::string counts;
    for (int run = 0; run < runs; ++run) {
        const auto timeLinks = [&] {
            linked.push_back(TimeJob(source, links, RunName(run), LinkSame(), &counts));
        };
        const auto timeCopy = [&] {
            copied.push_back(TimeJob(source, full / std::to_string(run), {}, {}));
        };
        if (run % 2 == 0) {
            timeLinks();
            timeCopy();
        } else {
            timeCopy();
            timeLinks();
        }
        std::printf("  run %d: linkSame %.3f s, full copy %.3f s\n", run + 1, linked.back(),
                    copied.back());
        std::fflush(stdout);
    }
    std::printf("linkSame on %d unchanged files of %zu KiB, %d runs (job's counts: %s):\n", kFiles,
                kFileSize >> 10, runs, counts.c_str());
    PrintRow("full copy into a fresh directory", copied, Median(copied), "full copy");
    PrintRow("job with linkSame", linked, Median(copied), "full copy");
    const SpaceAdded space = SpaceOf(links / RunName(runs - 1));
    const SpaceAdded copySpace = SpaceOf(full / std::to_string(runs - 1));
    std::printf("  space a linkSame run added: %lld directories (%lld KiB), %lld files of their "
                "own (%lld KiB), %lld links to earlier copies\n",
                space.directories, space.directoryBytes >> 10, space.ownFiles,
                space.ownFileBytes >> 10, space.linkedFiles);
    std::printf("  space a full copy added:    %lld directories (%lld KiB), %lld files of their "
                "own (%lld KiB)\n\n",
                copySpace.directories, copySpace.directoryBytes >> 10,
                copySpace.ownFiles + copySpace.linkedFiles, copySpace.ownFileBytes >> 10);
}

} // namespace

int main(int argc, char** argv) {
    fs::path root = TemporaryRoot();
    int runs = 5;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--work" && i + 1 < argc)
            root = argv[++i];
        else if (argument == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--keep")
            keep = true;
        else {
            std::fprintf(stderr, "usage: %s [--work DIR] [--runs N] [--keep]\n", argv[0]);
            return 2;
        }
    }
    const fs::path work = root / ("kolvane-bench-options-" + std::to_string(::getpid()));
    const fs::path source = work / "source";
    BuildTree(source);
    std::printf("work directory %s\n\n", work.c_str());
    SkipSameSeries(source, work, runs);
    LinkSameSeries(source, work, runs);
    if (!keep)
        fs::remove_all(work);
    return 0;
}
