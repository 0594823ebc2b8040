#include "platform/Process.h"

#include <gtest/gtest.h>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace kolvane {
namespace {

// The calling thread's priority, higher for a thread that comes first.
int CurrentThreadPriority() {
#ifdef _WIN32
    return ::GetThreadPriority(::GetCurrentThread());
#else
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()));
    EXPECT_EQ(errno, 0);
    return -nice;
#endif
}

TEST(ThreadPriority, OnlyTheCallingThreadGivesWayAndByOneStepHoweverOftenAsked) {
    const int program = CurrentThreadPriority();
    int before = 0, lowered = 0, again = 0, fromLowered = 0;
    std::thread([&] {
        before = CurrentThreadPriority();
        platform::LowerThreadPriority();
        lowered = CurrentThreadPriority();
        platform::LowerThreadPriority();
        again = CurrentThreadPriority();
        // A job's workers are made by its lowered thread and lower themselves too.
        std::thread([&] {
            platform::LowerThreadPriority();
            fromLowered = CurrentThreadPriority();
        }).join();
    }).join();
    EXPECT_EQ(before, program);
    EXPECT_LT(lowered, before);
    EXPECT_EQ(again, lowered);
    EXPECT_EQ(fromLowered, lowered);
    EXPECT_EQ(CurrentThreadPriority(), program);
}

} // namespace
} // namespace kolvane
