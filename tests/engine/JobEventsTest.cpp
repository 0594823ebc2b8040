#include "engine/JobEvents.h"

#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace kolvane {
namespace {

JobEvent EventNumber(int index) {
    return JobEvent{JobEvent::Kind::Progress, "job", "", 0, index};
}

// Counts wakes and lets the test wait for the next one.
struct WakeCounter {
    std::mutex mutex;
    std::condition_variable woken;
    int count = 0;

    std::function<void()> function() {
        return [this] {
            std::lock_guard lock(mutex);
            ++count;
            woken.notify_all();
        };
    }
    bool waitForCount(int expected) {
        std::unique_lock lock(mutex);
        return woken.wait_for(lock, std::chrono::seconds(20), [&] { return count >= expected; });
    }
    int current() {
        std::lock_guard lock(mutex);
        return count;
    }
};

TEST(JobEventQueueTest, WakesOncePerBatchAndKeepsOrder) {
    WakeCounter wakes;
    JobEventQueue queue(wakes.function());
    for (int i = 1; i <= 3; ++i)
        queue.Post(EventNumber(i));
    EXPECT_EQ(wakes.current(), 1);
    const std::vector<JobEvent> batch = queue.Drain();
    ASSERT_EQ(batch.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(batch[static_cast<size_t>(i)].index, i + 1);
    queue.Post(EventNumber(4));
    EXPECT_EQ(wakes.current(), 2);
}

TEST(JobEventQueueTest, FullQueueHoldsThePosterBack) {
    WakeCounter wakes;
    JobEventQueue queue(wakes.function(), 1);
    constexpr int kEvents = 200;
    std::thread poster([&] {
        for (int i = 1; i <= kEvents; ++i)
            queue.Post(EventNumber(i));
    });
    int received = 0;
    for (int wake = 1; received < kEvents && wakes.waitForCount(wake); ++wake) {
        const std::vector<JobEvent> batch = queue.Drain();
        EXPECT_EQ(batch.size(), 1u);
        received += static_cast<int>(batch.size());
    }
    EXPECT_EQ(received, kEvents);
    poster.join();
}

TEST(JobEventQueueTest, CloseReleasesBlockedPostersAndDropsEverything) {
    WakeCounter wakes;
    JobEventQueue queue(wakes.function(), 1);
    std::atomic<bool> posted{false};
    std::thread poster([&] {
        queue.Post(EventNumber(1));
        queue.Post(EventNumber(2)); // blocks: the queue is full
        posted = true;
    });
    ASSERT_TRUE(wakes.waitForCount(1));
    queue.Close();
    poster.join();
    EXPECT_TRUE(posted);
    queue.Post(EventNumber(3));
    EXPECT_TRUE(queue.Drain().empty());
    EXPECT_EQ(wakes.current(), 1);
}

} // namespace
} // namespace kolvane
