// Times the copy job against `cp -a` on a tree of many small files and on a few large files,
// into fresh destinations and again onto the existing ones, and measures the job's peak memory
// per file. Prints figures only; it never fails on timing.
//
//   bench_copy [--work DIR] [--runs N] [--large-runs N] [--memory-files N] [--keep]
//
// Every timed run copies into its own destination and nothing is deleted until the series is
// over: on these disks deleting makes the next creations slow.

#include "engine/Clock.h"
#include "engine/CopyJob.h"
#include "engine/JobEvents.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kSmallFiles = 20000;
constexpr int kSmallDirectories = 200;
constexpr int kNestingDepth = 10; // 20 chains of 10 nested directories
constexpr std::size_t kSmallFileSize = 4 << 10;
constexpr int kLargeFiles = 5;
constexpr std::size_t kLargeFileSize = std::size_t{200} << 20;
constexpr int kMemoryDirectories = 200;

struct Options {
    fs::path work;
    int runs = 5;
    int largeRuns = 5;
    int memoryFiles = 200000;
    bool keep = false;
};

// Receives job events the way the window does: woken per batch, draining every 25 ms.
class BatchingReceiver {
public:
    BatchingReceiver()
        : queue_(std::make_shared<kolvane::JobEventQueue>([this] { Wake(); })),
          drainer_([this] { DrainUntilStopped(); }) {}
    ~BatchingReceiver() { Stop(); }

    std::shared_ptr<kolvane::JobEventQueue> queue() const { return queue_; }

    // Ends draining after the events still queued; returns {progress, failures}.
    std::pair<int, int> Stop() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (drainer_.joinable())
            drainer_.join();
        return {progress_, failures_};
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
            for (const kolvane::JobEvent& event : queue_->Drain()) {
                progress_ += event.kind == kolvane::JobEvent::Kind::Progress;
                failures_ += event.kind == kolvane::JobEvent::Kind::Failure;
            }
            if (stopping)
                return;
        }
    }

    std::shared_ptr<kolvane::JobEventQueue> queue_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
    bool stopping_ = false;
    int progress_ = 0;
    int failures_ = 0;
    std::thread drainer_;
};

class CountingSink final : public kolvane::JobEventSink {
public:
    void Post(kolvane::JobEvent event) override {
        progress += event.kind == kolvane::JobEvent::Kind::Progress;
    }
    std::atomic<int> progress{0};
};

void RunJob(const fs::path& source, const fs::path& destination,
            std::shared_ptr<kolvane::JobEventSink> sink) {
    auto registry = std::make_shared<kolvane::JobRegistry>();
    auto* job = new kolvane::TcopyFile("bench", registry, std::make_shared<kolvane::SystemClock>());
    job->onProgress = std::move(sink);
    job->SetPaths(source.string() + "/", destination.string());
    registry->WaitIdle(24h);
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

double TimeJob(const fs::path& source, const fs::path& destination, int expectedFiles) {
    ::sync();
    BatchingReceiver receiver;
    const auto start = Clock::now();
    RunJob(source, destination, receiver.queue());
    const double seconds = Seconds(Clock::now() - start);
    const auto [progress, failures] = receiver.Stop();
    if (progress != expectedFiles || failures != 0)
        std::printf("  warning: job reported %d files (%d expected), %d failures\n", progress,
                    expectedFiles, failures);
    return seconds;
}

double TimeCp(const fs::path& source, const fs::path& destination) {
    ::sync();
    const std::string command = "cp -a '" + source.string() + "/.' '" + destination.string() + "'";
    fs::create_directories(destination);
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0)
        std::printf("  warning: %s failed\n", command.c_str());
    return Seconds(Clock::now() - start);
}

void WriteFile(const fs::path& path, const std::vector<char>& content, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    for (std::size_t written = 0; written < size; written += content.size())
        out.write(content.data(),
                  static_cast<std::streamsize>(std::min(content.size(), size - written)));
}

std::vector<char> RandomBytes(std::size_t size) {
    std::mt19937 random(42);
    std::vector<char> bytes(size);
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

void BuildSmallTree(const fs::path& root) {
    const std::vector<char> content = RandomBytes(kSmallFileSize);
    int file = 0;
    for (int chain = 0; chain < kSmallDirectories / kNestingDepth; ++chain) {
        fs::path directory = root / ("chain" + std::to_string(chain));
        for (int level = 0; level < kNestingDepth;
             ++level, directory /= "level" + std::to_string(level)) {
            fs::create_directories(directory);
            for (int i = 0; i < kSmallFiles / kSmallDirectories; ++i)
                WriteFile(directory / ("file" + std::to_string(file++) + ".dat"), content,
                          kSmallFileSize);
        }
    }
}

void BuildLargeTree(const fs::path& root) {
    fs::create_directories(root);
    const std::vector<char> content = RandomBytes(1 << 20);
    for (int i = 0; i < kLargeFiles; ++i)
        WriteFile(root / ("large" + std::to_string(i) + ".bin"), content, kLargeFileSize);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintRow(const char* label, const std::vector<double>& times, double reference) {
    std::printf("  %-28s", label);
    for (double time : times)
        std::printf(" %7.3f", time);
    std::printf("  median %7.3f s  ratio %.2f\n", Median(times), Median(times) / reference);
}

// Interleaves the job and cp -a, fresh and then onto the existing copy, one round per run.
void RunSeries(const char* label, const std::string& key, const fs::path& source,
               const fs::path& output, int files, int runs) {
    std::vector<double> jobFresh, cpFresh, jobExisting, cpExisting;
    for (int run = 0; run < runs; ++run) {
        const fs::path jobDestination = output / (key + "-job-" + std::to_string(run));
        const fs::path cpDestination = output / (key + "-cp-" + std::to_string(run));
        jobFresh.push_back(TimeJob(source, jobDestination, files));
        cpFresh.push_back(TimeCp(source, cpDestination));
        jobExisting.push_back(TimeJob(source, jobDestination, files));
        cpExisting.push_back(TimeCp(source, cpDestination));
        std::printf("  run %d: job %.3f s, cp -a %.3f s; onto existing: job %.3f s, cp -a %.3f s\n",
                    run + 1, jobFresh.back(), cpFresh.back(), jobExisting.back(),
                    cpExisting.back());
        std::fflush(stdout);
    }
    std::printf("%s, seconds per run, ratio to the median of cp -a into a fresh directory:\n",
                label);
    const double reference = Median(cpFresh);
    PrintRow("cp -a, fresh", cpFresh, reference);
    PrintRow("job, fresh", jobFresh, reference);
    PrintRow("cp -a, onto existing", cpExisting, reference);
    PrintRow("job, onto existing", jobExisting, reference);
    std::printf("  job / cp -a: fresh %.2f, onto existing %.2f\n\n",
                Median(jobFresh) / Median(cpFresh), Median(jobExisting) / Median(cpExisting));
}

long PeakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:"))
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Runs in a fresh process, so the high-water mark holds nothing but the job.
int MemoryChild(const fs::path& source, const fs::path& destination, long files,
                long pathTextBytes) {
    auto sink = std::make_shared<CountingSink>();
    const long before = PeakResidentKiB();
    const auto start = Clock::now();
    RunJob(source, destination, sink);
    const double seconds = Seconds(Clock::now() - start);
    const long peak = PeakResidentKiB() - before;
    const double perFile = static_cast<double>(peak) * 1024 / static_cast<double>(files);
    std::printf("memory: job over %ld empty files (%d copied, %.1f s): peak grew by %ld KiB, "
                "%.1f bytes per file, %.1f of them path text, %.1f beyond the path text\n",
                files, sink->progress.load(), seconds, peak, perFile,
                static_cast<double>(pathTextBytes) / static_cast<double>(files),
                perFile - static_cast<double>(pathTextBytes) / static_cast<double>(files));
    return 0;
}

void MeasureMemory(const fs::path& work, int files) {
    const fs::path source = work / "memory-src";
    long pathText = 0;
    for (int directory = 0; directory < kMemoryDirectories; ++directory) {
        const std::string directoryName = "dir" + std::to_string(directory);
        fs::create_directories(source / directoryName);
        for (int i = directory; i < files; i += kMemoryDirectories) {
            const std::string relative = directoryName + "/empty" + std::to_string(i);
            std::ofstream(source / relative).close();
            pathText += static_cast<long>(relative.size());
        }
    }
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        const std::string sourceText = source.string(),
                          destinationText = (work / "memory-dst").string();
        const std::string filesText = std::to_string(files), textBytes = std::to_string(pathText);
        ::execl("/proc/self/exe", "bench_copy", "--memory-child", sourceText.c_str(),
                destinationText.c_str(), filesText.c_str(), textBytes.c_str(),
                static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

fs::path FreshWorkDirectory(fs::path parent) {
    if (parent.empty()) {
        const char* temporary = std::getenv("TMPDIR");
        parent = temporary && *temporary ? fs::path(temporary) : fs::path("/tmp");
    }
    fs::create_directories(parent);
    std::string pattern = (parent / "kolvane-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a work directory under " + parent.string());
    return pattern;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--work")
            options.work = argv[i + 1];
        else if (flag == "--runs")
            options.runs = std::atoi(argv[i + 1]);
        else if (flag == "--large-runs")
            options.largeRuns = std::atoi(argv[i + 1]);
        else if (flag == "--memory-files")
            options.memoryFiles = std::atoi(argv[i + 1]);
    }
    options.keep = argc > 1 && std::strcmp(argv[argc - 1], "--keep") == 0;
    return options;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "--memory-child") == 0)
        return MemoryChild(argv[2], argv[3], std::atol(argv[4]), std::atol(argv[5]));

    const Options options = ParseOptions(argc, argv);
    const fs::path work = FreshWorkDirectory(options.work);
    std::printf("work directory %s\n\n", work.c_str());

    if (options.runs > 0) {
        BuildSmallTree(work / "small-src");
        RunSeries("20000 files of 4 KiB in 200 nested directories", "small", work / "small-src",
                  work / "out", kSmallFiles, options.runs);
    }
    if (options.largeRuns > 0) {
        BuildLargeTree(work / "large-src");
        RunSeries("5 files of 200 MiB", "large", work / "large-src", work / "out", kLargeFiles,
                  options.largeRuns);
    }
    if (options.memoryFiles > 0)
        MeasureMemory(work, options.memoryFiles);

    if (!options.keep) {
        std::printf("removing %s\n", work.c_str());
        fs::remove_all(work);
    }
    return 0;
}
