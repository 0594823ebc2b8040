#pragma once

#include "support/TestSystem.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace kolvane::testing {

// How one child process ended, and the numbers it reported before that.
struct CrashTrialResult {
    bool killed = false; // ended by the kill, not by itself
    int exitCode = -1;   // when it ended by itself
    std::vector<std::uint32_t> reports;
};

// Runs `program`, which writes a number and a line end to its standard output for each step it
// completes, and kills it `delay` after its first report, as a crash or a power cut would end it
// (SIGKILL; TerminateProcess on Windows), or lets it end by itself if it is done sooner.
inline CrashTrialResult RunAndKill(const std::filesystem::path& program,
                                   const std::vector<std::string>& arguments,
                                   std::chrono::microseconds delay,
                                   std::chrono::milliseconds firstReportTimeout) {
    ChildProcess child(program, arguments, ChildProcess::Output::Captured);
    std::mutex mutex;
    std::condition_variable reported;
    std::string output;
    // Drains the pipe all along, so that the child never waits for room in it.
    std::thread reader([&] {
        for (std::string more = child.ReadOutput(); !more.empty(); more = child.ReadOutput()) {
            const std::lock_guard lock(mutex);
            output += more;
            reported.notify_all();
        }
    });
    bool first = false;
    {
        std::unique_lock lock(mutex);
        first = reported.wait_for(lock, firstReportTimeout,
                                  [&] { return output.find('\n') != std::string::npos; });
    }
    if (first)
        std::this_thread::sleep_for(delay); // the random kill moment
    child.Kill();
    const int code = child.Wait();
    reader.join(); // the pipe has ended with the child
    CrashTrialResult result;
    result.killed = code == ChildProcess::kKilled;
    result.exitCode = result.killed ? -1 : code;
    for (std::size_t start = 0, end; (end = output.find('\n', start)) != std::string::npos;
         start = end + 1)
        result.reports.push_back(
            static_cast<std::uint32_t>(std::stoul(output.substr(start, end - start))));
    return result;
}

// Kill moments spread evenly over [0, longest); a failing test names its seed to replay it.
class KillMoments {
public:
    explicit KillMoments(std::chrono::microseconds longest, unsigned seed)
        : random_(seed), spread_(0, longest.count()) {}
    std::chrono::microseconds Next() { return std::chrono::microseconds(spread_(random_)); }

private:
    std::mt19937 random_;
    std::uniform_int_distribution<std::int64_t> spread_;
};

// Starting a process costs far more on Windows (and under wine) than a fork does on Linux, so
// the trials there are fewer.
#ifdef _WIN32
inline constexpr int kCrashTrialShare = 8;
#else
inline constexpr int kCrashTrialShare = 1;
#endif

} // namespace kolvane::testing
