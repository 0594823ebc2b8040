// Times the copy job against `cp -a` and a `tar | tar` pipeline, in one interleaved series per
// workload: 20,000 files of 4 KiB into fresh destinations, again onto the copies just made and
// then from a version of the tree in which every file changed; 200,000 files of at most 100 bytes
// and 5 files of 200 MiB into fresh ones. Then times the job's enumeration of a million empty
// files in a thousand directories and measures its peak memory per file. Prints figures and
// ratios only; it never fails on timing.
//
//   bench_copy [--work DIR] [--runs N] [--tiny-runs N] [--large-runs N]
//              [--enumeration-files N] [--memory-files N] [--keep]
//
// A count of 0 leaves that part out. The work directory is made under DIR, else $TMPDIR, else
// /tmp.
//
// Every timed run copies into its own destination and nothing is deleted until the series is
// over: on these disks deleting makes the next creations slow.

#include "BatchingReceiver.h"
#include "BenchTools.h"
#include "engine/Clock.h"
#include "engine/CopyJob.h"
#include "engine/JobEvents.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
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
using namespace kolvane::bench;

constexpr int kSmallFiles = 20000;
constexpr int kSmallDirectories = 200;
constexpr int kNestingDepth = 10; // 20 chains of 10 nested directories
constexpr std::size_t kSmallFileSize = 4 << 10;
constexpr int kLargeFiles = 5;
constexpr std::size_t kLargeFileSize = std::size_t{200} << 20;
constexpr int kTinyFiles = 200000;
constexpr int kTinyDirectories = 200;
constexpr std::size_t kTinyFileMaxSize = 100;
constexpr int kMemoryDirectories = 200;
constexpr int kEnumerationDirectories = 1000;

struct Options {
    fs::path work;
    int runs = 5;
    int largeRuns = 5;
    int tinyRuns = 5;
    int memoryFiles = 200000;
    int enumerationFiles = 1000000;
    bool keep = false;
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

double TimeJob(const fs::path& source, const fs::path& destination, int expectedFiles) {
    ::sync();
    kolvane::bench::BatchingReceiver receiver;
    const auto start = Clock::now();
    RunJob(source, destination, receiver.queue());
    const double seconds = Seconds(Clock::now() - start);
    const auto [progress, failures, notice] = receiver.Stop();
    if (progress != expectedFiles || failures != 0)
        std::printf("  warning: job reported %d files (%d expected), %d failures\n", progress,
                    expectedFiles, failures);
    return seconds;
}

double TimeCp(const fs::path& source, const fs::path& destination, int) {
    fs::create_directories(destination);
    return TimeCommand("cp -a " + Quoted(source / ".") + " " + Quoted(destination));
}

// Reads and writes in two processes at once, the simplest overlap of the two.
double TimeTar(const fs::path& source, const fs::path& destination, int) {
    fs::create_directories(destination);
    return TimeCommand("tar -C " + Quoted(source) + " -cf - . | tar -C " + Quoted(destination) +
                       " -xf -");
}

struct Tool {
    const char* name;
    double (*time)(const fs::path& source, const fs::path& destination, int expectedFiles);
};

// cp -a first: every ratio is taken against it.
constexpr Tool kTools[] = {{"cp -a", TimeCp}, {"job", TimeJob}, {"tar | tar", TimeTar}};
constexpr std::size_t kToolCount = std::size(kTools);

void WriteFile(const fs::path& path, const std::vector<char>& content, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    for (std::size_t written = 0; written < size; written += content.size())
        out.write(content.data(),
                  static_cast<std::streamsize>(std::min(content.size(), size - written)));
}

std::vector<char> RandomBytes(std::size_t size, unsigned seed = 42) {
    std::mt19937 random(seed);
    std::vector<char> bytes(size);
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

void BuildSmallTree(const fs::path& root, unsigned seed) {
    const std::vector<char> content = RandomBytes(kSmallFileSize, seed);
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

// Sizes 0 to 100 bytes in turn, so that empty files and files of one byte are among them.
void BuildTinyTree(const fs::path& root) {
    const std::vector<char> content = RandomBytes(kTinyFileMaxSize);
    for (int file = 0; file < kTinyFiles; ++file) {
        const fs::path directory = root / ("dir" + std::to_string(file % kTinyDirectories));
        if (file < kTinyDirectories)
            fs::create_directories(directory);
        WriteFile(directory / ("tiny" + std::to_string(file)), content,
                  static_cast<std::size_t>(file) % (kTinyFileMaxSize + 1));
    }
}

void BuildLargeTree(const fs::path& root) {
    fs::create_directories(root);
    const std::vector<char> content = RandomBytes(1 << 20);
    for (int i = 0; i < kLargeFiles; ++i)
        WriteFile(root / ("large" + std::to_string(i) + ".bin"), content, kLargeFileSize);
}

void PrintRow(const std::string& label, const std::vector<double>& times, double reference) {
    const auto [fastest, slowest] = std::minmax_element(times.begin(), times.end());
    std::printf("  %-26s median %8.3f s  (%.3f to %.3f)  ratio to cp -a %.2f\n", label.c_str(),
                Median(times), *fastest, *slowest, Median(times) / reference);
}

using Times = std::array<std::vector<double>, kToolCount>;

void PrintTable(const char* label, const char* kind, const Times& times) {
    std::printf("%s, %s, %zu runs, medians in seconds:\n", label, kind, times[0].size());
    const double reference = Median(times[0]);
    for (std::size_t tool = 0; tool < kToolCount; ++tool)
        PrintRow(kTools[tool].name, times[tool], reference);
}

// A copy made again onto the copy of the same run, from `source`.
struct Rerun {
    const char* kind;
    fs::path source;
};

// Every tool in turn into a fresh destination of its own, one round per run; then, for each
// rerun, the same rounds again onto the copies made. The fresh rounds come first: a rerun frees
// inodes and blocks, which would slow the creations of a fresh round after it. Nothing is deleted
// until the series is over.
void RunSeries(const char* label, const std::string& key, const fs::path& source,
               const fs::path& output, int files, int runs, const std::vector<Rerun>& reruns) {
    const auto destination = [&](std::size_t tool, int run) {
        return output / (key + "-" + std::to_string(tool) + "-" + std::to_string(run));
    };
    std::vector<Times> times(1 + reruns.size());
    for (std::size_t phase = 0; phase < times.size(); ++phase) {
        const char* kind = phase == 0 ? "fresh" : reruns[phase - 1].kind;
        const fs::path& from = phase == 0 ? source : reruns[phase - 1].source;
        for (int run = 0; run < runs; ++run) {
            std::printf("  %s, run %d:", kind, run + 1);
            // Each run starts with another tool, so that none always follows the same one.
            for (std::size_t turn = 0; turn < kToolCount; ++turn) {
                const std::size_t tool = (turn + static_cast<std::size_t>(run)) % kToolCount;
                times[phase][tool].push_back(
                    kTools[tool].time(from, destination(tool, run), files));
                std::printf(" %s %.3f s", kTools[tool].name, times[phase][tool].back());
            }
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    for (std::size_t phase = 0; phase < times.size(); ++phase)
        PrintTable(label, phase == 0 ? "fresh" : reruns[phase - 1].kind, times[phase]);
    std::printf("\n");
    std::fflush(stdout);
}

// Receives the job's first report: the whole list is built before the first copy starts, so the
// time until then is the enumeration's, plus the copy of one empty file.
class FirstReportSink final : public kolvane::JobEventSink {
public:
    void Post(kolvane::JobEvent event) override {
        if (event.kind != kolvane::JobEvent::Kind::Progress)
            return;
        std::lock_guard lock(mutex_);
        if (!first_) {
            first_ = Clock::now();
            arrived_.notify_all();
        }
    }
    std::optional<Clock::time_point> WaitForFirst(std::chrono::seconds timeout) {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, timeout, [this] { return first_.has_value(); });
        return first_;
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::optional<Clock::time_point> first_;
};

void BuildEmptyTree(const fs::path& root, int files, int directories) {
    for (int directory = 0; directory < directories; ++directory)
        fs::create_directories(root / ("dir" + std::to_string(directory)));
    for (int file = 0; file < files; ++file) {
        const fs::path path =
            root / ("dir" + std::to_string(file % directories)) / ("empty" + std::to_string(file));
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
}

// Times the job from its start to its first report, then stops it.
void MeasureEnumeration(const fs::path& work, int files, int runs) {
    const fs::path source = work / "enumeration-src";
    BuildEmptyTree(source, files, kEnumerationDirectories);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        auto registry = std::make_shared<kolvane::JobRegistry>();
        auto sink = std::make_shared<FirstReportSink>();
        auto* job =
            new kolvane::TcopyFile("bench", registry, std::make_shared<kolvane::SystemClock>());
        job->onProgress = sink;
        const auto start = Clock::now();
        job->SetPaths(source.string() + "/",
                      (work / "out" / ("enumeration-" + std::to_string(run))).string());
        const std::optional<Clock::time_point> first = sink->WaitForFirst(600s);
        registry->StopAll(600s);
        if (!first) {
            std::printf("  warning: the job reported nothing\n");
            continue;
        }
        times.push_back(Seconds(*first - start));
        std::printf("  run %d: %.3f s\n", run + 1, times.back());
        std::fflush(stdout);
    }
    if (times.empty())
        return;
    const auto [fastest, slowest] = std::minmax_element(times.begin(), times.end());
    std::printf("enumeration: %d files in %d directories until the first report, median %.3f s "
                "(%.3f to %.3f)\n\n",
                files, kEnumerationDirectories, Median(times), *fastest, *slowest);
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
    if (parent.empty())
        parent = TemporaryRoot();
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
        else if (flag == "--tiny-runs")
            options.tinyRuns = std::atoi(argv[i + 1]);
        else if (flag == "--enumeration-files")
            options.enumerationFiles = std::atoi(argv[i + 1]);
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
        BuildSmallTree(work / "small-src", 42);
        // Made later, with other bytes: every file has changed in content and time.
        BuildSmallTree(work / "small-src-changed", 43);
        RunSeries("20000 files of 4 KiB in 200 nested directories", "small", work / "small-src",
                  work / "out", kSmallFiles, options.runs,
                  {{"onto an existing copy", work / "small-src"},
                   {"onto a copy of every file changed", work / "small-src-changed"}});
    }
    if (options.tinyRuns > 0) {
        BuildTinyTree(work / "tiny-src");
        RunSeries("200000 files of 0 to 100 bytes in 200 directories", "tiny", work / "tiny-src",
                  work / "out", kTinyFiles, options.tinyRuns, {});
    }
    if (options.largeRuns > 0) {
        BuildLargeTree(work / "large-src");
        RunSeries("5 files of 200 MiB", "large", work / "large-src", work / "out", kLargeFiles,
                  options.largeRuns, {});
    }
    if (options.enumerationFiles > 0)
        MeasureEnumeration(work, options.enumerationFiles, options.runs);
    if (options.memoryFiles > 0)
        MeasureMemory(work, options.memoryFiles);

    if (!options.keep) {
        std::printf("removing %s\n", work.c_str());
        fs::remove_all(work);
    }
    return 0;
}
