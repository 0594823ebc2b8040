#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kolvane::testing {

// How one child process ended, and the numbers it reported before that.
struct CrashTrialResult {
    bool killed = false; // ended by the SIGKILL, not by itself
    int exitCode = -1;   // when it ended by itself
    std::vector<std::uint32_t> reports;
};

// Runs `body` in a child process that reports progress through `report` (a number per completed
// step), and kills it with SIGKILL `delay` after its first report, or lets it end by itself if
// it is done sooner. The child never returns into the test: it ends with body's result, or 2 when
// body throws.
template <typename Body>
CrashTrialResult RunAndKill(Body body, std::chrono::microseconds delay,
                            std::chrono::milliseconds firstReportTimeout) {
    int channel[2];
    if (::pipe(channel) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const int out = channel[1];
        auto report = [out](std::uint32_t value) {
            if (::write(out, &value, sizeof value) != sizeof value)
                ::_exit(3);
        };
        int code = 2;
        try {
            code = body(report);
        } catch (...) {
        }
        ::_exit(code);
    }
    ::close(channel[1]);
    pollfd ready{channel[0], POLLIN, 0};
    const int firstReport = ::poll(&ready, 1, static_cast<int>(firstReportTimeout.count()));
    if (firstReport > 0)
        std::this_thread::sleep_for(delay); // the random kill moment
    ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    CrashTrialResult result;
    result.killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // The child is gone, so the pipe holds all it reported and then ends.
    std::uint32_t value = 0;
    while (::read(channel[0], &value, sizeof value) == sizeof value)
        result.reports.push_back(value);
    ::close(channel[0]);
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

} // namespace kolvane::testing
