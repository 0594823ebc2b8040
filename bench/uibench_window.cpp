// One copy job over many small files, run in the real main window (offscreen) and headless by
// the core alone, interleaved. Prints both wall times, their ratio, and the longest time the UI
// thread went without taking events during the windowed runs, with how much of that stall the
// thread spent running, waiting for a core and asleep (where the kernel tells: Linux).
//
//   uibench_window [work directory] [files] [runs]
//
// The work directory defaults to $TMPDIR, else /tmp. The source tree is made once and kept for
// later runs; every run copies into a fresh destination, and the destinations are removed at the
// end of the series.

#include "BenchTools.h"
#include "engine/Clock.h"
#include "engine/CopyJob.h"
#include "engine/JobEvents.h"
#include "ui/JobEventPump.h"
#include "ui/KolvaneApplication.h"
#include "ui/TmainForm.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListView>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace kolvane::bench;

namespace {

constexpr int kFilesPerDirectory = 1000;

struct Settings {
    fs::path work;
    int files = 100'000;
    int runs = 3;
};

Settings ReadArguments(int argc, char** argv) {
    Settings settings;
    settings.work = argc > 1 ? fs::path(argv[1]) : TemporaryRoot();
    settings.work /= "kolvane-uibench";
    if (argc > 2)
        settings.files = std::max(1, std::atoi(argv[2]));
    if (argc > 3)
        settings.runs = std::max(1, std::atoi(argv[3]));
    return settings;
}

fs::path MakeSourceTree(const Settings& settings) {
    const fs::path source = settings.work / ("source-" + std::to_string(settings.files));
    const fs::path complete =
        settings.work / ("source-" + std::to_string(settings.files) + ".done");
    if (fs::exists(complete))
        return source;
    std::printf("making %d files under %s ...\n", settings.files, source.c_str());
    std::fflush(stdout);
    for (int i = 0; i < settings.files; ++i) {
        const fs::path directory = source / ("d" + std::to_string(i / kFilesPerDirectory));
        if (i % kFilesPerDirectory == 0)
            fs::create_directories(directory);
        std::ofstream(directory / ("file" + std::to_string(i) + ".txt"))
            << "small file number " << i << '\n';
    }
    std::ofstream(complete) << "made\n";
    return source;
}

fs::path FreshDestination(const Settings& settings, const char* mode, int run) {
    return settings.work /
           ("dest-" + std::to_string(::getpid()) + "-" + mode + "-" + std::to_string(run));
}

// The core alone: the job reports into an event queue that a plain loop drains, letting a batch
// collect for as long as the window does, so that both sides pay the same number of wakes.
double RunHeadless(const fs::path& source, const fs::path& destination) {
    std::mutex mutex;
    std::condition_variable woken;
    bool wake = false;
    auto queue = std::make_shared<kolvane::JobEventQueue>([&] {
        std::lock_guard lock(mutex);
        wake = true;
        woken.notify_one();
    });
    auto registry = std::make_shared<kolvane::JobRegistry>();
    const auto started = Clock::now();
    fs::create_directories(destination);
    auto* job = new kolvane::TcopyFile("bench", registry, std::make_shared<kolvane::SystemClock>());
    job->onProgress = queue;
    job->SetPaths(source.string(), destination.string());
    for (bool done = false; !done;) {
        {
            std::unique_lock lock(mutex);
            woken.wait(lock, [&] { return wake; });
            wake = false;
        }
        std::this_thread::sleep_for(
            std::chrono::milliseconds(kolvane::ui::JobEventPump::kBatchWindowMs));
        for (const kolvane::JobEvent& event : queue->Drain())
            done = done || event.kind == kolvane::JobEvent::Kind::Completion;
    }
    const double seconds = Seconds(Clock::now() - started);
    registry->WaitIdle(std::chrono::seconds(10));
    return seconds;
}

// What the kernel has counted for one thread so far: time on a core and time ready to run but
// waiting for one. A stall made of waiting is the machine's, not the window's work.
struct ThreadTimes {
    double runningMs = 0;
    double waitingMs = 0;
};

// Reads the counts of the thread that made it. The file stays open, since the heartbeat asks
// every 5 ms on the thread it measures; the kernel writes the counts afresh at each read from
// the start.
class ThreadTimesReader {
public:
    ThreadTimesReader() : descriptor_(::open("/proc/thread-self/schedstat", O_RDONLY)) {}
    ~ThreadTimesReader() {
        if (descriptor_ >= 0)
            ::close(descriptor_);
    }
    ThreadTimesReader(const ThreadTimesReader&) = delete;
    ThreadTimesReader& operator=(const ThreadTimesReader&) = delete;

    std::optional<ThreadTimes> Read() const {
        char text[96];
        const ssize_t length =
            descriptor_ < 0 ? -1 : ::pread(descriptor_, text, sizeof text - 1, 0);
        if (length <= 0)
            return std::nullopt;
        text[length] = '\0';
        long long runningNs = 0, waitingNs = 0;
        if (std::sscanf(text, "%lld %lld", &runningNs, &waitingNs) != 2)
            return std::nullopt;
        return ThreadTimes{runningNs / 1e6, waitingNs / 1e6};
    }

private:
    int descriptor_;
};

struct Stall {
    double ms = 0;
    std::optional<ThreadTimes> spent;
};

struct WindowRun {
    double seconds = 0;
    Stall longest;
};

// What the thread did in a stall: ran, waited for a core, or slept (on a lock, on the disk, or
// until its own timer was due).
std::string DescribeStall(const Stall& stall) {
    char text[160];
    if (!stall.spent) {
        std::snprintf(text, sizeof text, "%.1f ms", stall.ms);
    } else {
        const double asleepMs =
            std::max(0.0, stall.ms - stall.spent->runningMs - stall.spent->waitingMs);
        std::snprintf(text, sizeof text,
                      "%.1f ms: %.1f running, %.1f waiting for a core, %.1f asleep", stall.ms,
                      stall.spent->runningMs, stall.spent->waitingMs, asleepMs);
    }
    return text;
}

// The real window: the task is run as "运行任务" runs it; the run ends when the completion line
// has emptied the log pane (a job over more than 2000 files always does).
WindowRun RunInWindow(const Settings& settings, int run, const fs::path& source,
                      const fs::path& destination) {
    const fs::path ini = settings.work / ("settings-" + std::to_string(::getpid()) + "-" +
                                          std::to_string(run) + ".ini");
    std::ofstream(ini) << "[bench]\ntaskName=bench\ntaskSource=" << source.string()
                       << "\ntaskDest=" << destination.string() << "\ntaskDD=99:99:99\n";
    kolvane::ui::TmainForm form(ini.string(), "http://127.0.0.1:9");
    form.show();
    auto* table = form.findChild<QTreeView*>(QStringLiteral("lv_task"));
    table->setCurrentIndex(table->model()->index(0, 0));
    QAbstractItemModel* log = form.findChild<QListView*>(QStringLiteral("LogsSHower"))->model();

    QEventLoop loop;
    QObject::connect(log, &QAbstractItemModel::modelReset, &loop, &QEventLoop::quit);
    WindowRun result;
    QElapsedTimer sinceLastBeat;
    const ThreadTimesReader threadTimes;
    std::optional<ThreadTimes> atLastBeat;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const double gapMs = sinceLastBeat.nsecsElapsed() / 1e6;
        sinceLastBeat.restart();
        const std::optional<ThreadTimes> now = threadTimes.Read();
        if (gapMs > result.longest.ms) {
            result.longest.ms = gapMs;
            result.longest.spent.reset();
            if (now && atLastBeat)
                result.longest.spent = ThreadTimes{now->runningMs - atLastBeat->runningMs,
                                                   now->waitingMs - atLastBeat->waitingMs};
        }
        atLastBeat = now;
    });

    const auto started = Clock::now();
    heartbeat.start();
    sinceLastBeat.start();
    atLastBeat = threadTimes.Read();
    form.RunSelectedTask();
    loop.exec();
    result.seconds = Seconds(Clock::now() - started);
    fs::remove(ini);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    kolvane::ui::KolvaneApplication application(argc, argv);
    const Settings settings = ReadArguments(argc, argv);
    fs::create_directories(settings.work);
    const fs::path source = MakeSourceTree(settings);

    std::vector<double> headless, windowed;
    std::vector<Stall> stalls;
    std::vector<fs::path> destinations;
    for (int run = 0; run < settings.runs; ++run) {
        // Every other run starts with the window, so that neither side always follows the other
        // into a disk still writing out the run before.
        const bool windowFirst = run % 2 == 1;
        const fs::path coreDestination = FreshDestination(settings, "core", run);
        const fs::path windowDestination = FreshDestination(settings, "window", run);
        destinations.push_back(coreDestination);
        destinations.push_back(windowDestination);
        WindowRun window;
        if (windowFirst)
            window = RunInWindow(settings, run, source, windowDestination);
        headless.push_back(RunHeadless(source, coreDestination));
        if (!windowFirst)
            window = RunInWindow(settings, run, source, windowDestination);
        windowed.push_back(window.seconds);
        stalls.push_back(window.longest);
        std::printf("run %d: core alone %.3f s, window %.3f s, longest UI stall %s\n", run + 1,
                    headless.back(), window.seconds, DescribeStall(window.longest).c_str());
        std::fflush(stdout);
    }

    const double core = Median(headless);
    const double window = Median(windowed);
    std::printf("\n%d files, %d runs each, medians:\n", settings.files, settings.runs);
    std::printf("  core alone (queue drained by a plain loop): %.3f s\n", core);
    std::printf("  real window (offscreen):                    %.3f s\n", window);
    std::printf("  ratio window / core: %.3f (target <= 1.1)\n", window / core);
    // A disk that slows down or recovers during the series moves both medians; the two sides of
    // one run met the same disk.
    std::vector<double> ratios;
    for (std::size_t run = 0; run < headless.size(); ++run)
        ratios.push_back(windowed[run] / headless[run]);
    const auto [lowest, highest] = std::minmax_element(ratios.begin(), ratios.end());
    std::printf("  each run's own ratio: median %.3f (%.3f to %.3f)\n", Median(ratios), *lowest,
                *highest);
    const Stall& longest = *std::max_element(
        stalls.begin(), stalls.end(), [](const Stall& a, const Stall& b) { return a.ms < b.ms; });
    std::printf("  longest UI stall (target <= 50 ms): %s\n", DescribeStall(longest).c_str());
    std::fflush(stdout);

    for (const fs::path& destination : destinations) {
        std::error_code ignored;
        fs::remove_all(destination, ignored);
    }
    return 0;
}
