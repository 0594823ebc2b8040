#include "engine/Scheduler.h"

#include "EngineTestKit.h"
#include "store/TaskTable.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace kolvane {
namespace {

TaskRow Row(const std::string& time, const std::string& interval) {
    TaskRow row;
    row.subItems[kTimeCell] = time;
    row.subItems[kIntervalCell] = interval;
    return row;
}

class SchedulerTest : public ::testing::Test {
protected:
    Scheduler MakeScheduler() {
        return Scheduler(
            table_, clock_,
            [this](int row) {
                started_.push_back(row);
                if (row == failingRow_)
                    throw std::runtime_error("Unable to create directory");
            },
            [this](const std::string& message) { reports_.push_back(message); });
    }
    // Starts afresh at the given moment, so the tick examines that second alone.
    std::vector<int> StartedAt(int hour, int minute, int second) {
        clock_->SetTimeOfDay(hour, minute, second);
        started_.clear();
        MakeScheduler().TimerMainTimer();
        return started_;
    }

    TaskTable table_;
    std::shared_ptr<testing::FakeClock> clock_ = std::make_shared<testing::FakeClock>();
    std::vector<int> started_;
    std::vector<std::string> reports_;
    int failingRow_ = -1;
};

TEST_F(SchedulerTest, DueTimesFollowTheDailyAndIntervalRules) {
    struct Case {
        const char* time;
        const char* interval;
        int hour, minute, second;
        bool due;
    };
    const Case cases[] = {
        {"08:00:00", "", 8, 0, 0, true},     {"08:00:00", "", 8, 0, 1, false},
        {"12:00:00", "60", 0, 0, 0, true},   {"12:00:00", "60", 23, 0, 0, true},
        {"12:00:00", "60", 13, 0, 1, false}, {"12:00:00", "60", 11, 0, 0, true},
        {"08:00:30", "1", 17, 41, 30, true}, {"08:00:30", "1", 17, 41, 31, false},
        {"08:00:00", "30", 7, 30, 0, true},  {"08:00:00", "30", 23, 30, 0, true},
        {"08:00:00", "30", 8, 15, 0, false}, {"08:00:00", "420", 1, 0, 0, true},
        {"08:00:00", "420", 22, 0, 0, true}, {"08:00:00", "420", 4, 0, 0, false},
        {"08:00:00", "1440", 8, 0, 0, true}, {"08:00:00", "2000", 7, 0, 0, false},
        {"8:00:00", "", 8, 0, 0, false},     {"8:00:00", "60", 9, 0, 0, true},
        {" 08:00 ", "30", 8, 30, 0, true},   {"08:00:00", "0", 8, 30, 0, false},
        {"08:00:00", "-5", 8, 0, 0, true},   {"08:00:00", "abc", 9, 0, 0, false},
        {"08:00:00", "$1E", 8, 30, 0, true}, {"", "", 0, 0, 0, false},
        {"23:59:59", "1", 0, 0, 59, true},   {"08:00:00", "1439", 7, 59, 0, false},
    };
    for (const Case& c : cases) {
        table_.replaceRows({Row(c.time, c.interval)});
        EXPECT_EQ(StartedAt(c.hour, c.minute, c.second),
                  c.due ? std::vector<int>{0} : std::vector<int>{})
            << '"' << c.time << "\" every \"" << c.interval << "\" at " << c.hour << ':' << c.minute
            << ':' << c.second;
    }
}

TEST_F(SchedulerTest, RowDueByBothRulesStartsOnceAndRowsGoInTableOrder) {
    table_.replaceRows(
        {Row("09:00:00", ""), Row("08:00:00", "30"), Row("08:00:00", ""), Row("07:00:00", "60")});
    EXPECT_EQ(StartedAt(8, 0, 0), (std::vector<int>{1, 2, 3}));
}

TEST_F(SchedulerTest, ErrorLeavesTheTickAtItsRowAndTheSecondIsNotRepeated) {
    table_.replaceRows({Row("08:00:00", ""), Row("08:00:00", ""), Row("08:00:00", "")});
    failingRow_ = 1;
    clock_->SetTimeOfDay(8, 0, 0);
    Scheduler scheduler = MakeScheduler();
    EXPECT_THROW(scheduler.TimerMainTimer(), std::runtime_error);
    EXPECT_EQ(started_, (std::vector<int>{0, 1}));
    scheduler.TimerMainTimer();
    EXPECT_EQ(started_, (std::vector<int>{0, 1}));
}

TEST_F(SchedulerTest, EverySecondIsExaminedExactlyOnce) {
    table_.replaceRows({Row("08:00:00", "1")}); // due at second 0 of every minute
    clock_->SetTimeOfDay(7, 59, 58);
    Scheduler scheduler = MakeScheduler();
    scheduler.TimerMainTimer();
    clock_->SetTimeOfDay(8, 0, 1); // the tick for 08:00:00 never came
    scheduler.TimerMainTimer();
    EXPECT_EQ(started_.size(), 1u);
    scheduler.TimerMainTimer(); // a second tick in the same second
    EXPECT_EQ(started_.size(), 1u);
    clock_->SetTimeOfDay(8, 1, 0); // 59 seconds on: all caught up, the minute mark once
    scheduler.TimerMainTimer();
    EXPECT_EQ(started_.size(), 2u);
    clock_->SetTimeOfDay(8, 0, 0); // set back: only the current second
    scheduler.TimerMainTimer();
    EXPECT_EQ(started_.size(), 3u);
    clock_->SetTimeOfDay(9, 59, 59); // far forward: the seconds between are not caught up
    scheduler.TimerMainTimer();
    EXPECT_EQ(started_.size(), 3u);
    clock_->Set({2026, 3, 2, 0, 0, 0, 0}); // across midnight into the next day
    scheduler.TimerMainTimer();
    EXPECT_EQ(started_.size(), 4u);
}

TEST_F(SchedulerTest, UnreadableTimeIsReportedOnceWhileOtherRowsRun) {
    table_.replaceRows({Row("abc", "5"), Row("08:00:00", "")});
    clock_->SetTimeOfDay(8, 0, 0);
    Scheduler scheduler = MakeScheduler();
    scheduler.TimerMainTimer();
    clock_->SetTimeOfDay(8, 0, 1);
    scheduler.TimerMainTimer();
    EXPECT_EQ(started_, std::vector<int>{1});
    EXPECT_EQ(reports_, std::vector<std::string>{"'abc' is not a valid time"});
    table_.replaceRows({Row("abc", "5")}); // a rebuilt table is reported anew
    clock_->SetTimeOfDay(8, 0, 2);
    scheduler.TimerMainTimer();
    EXPECT_EQ(reports_.size(), 2u);
}

TEST(SchedulerTickTest, NextTickFallsJustAfterTheSecondBoundary) {
    for (int millisecond : {0, 1, 500, 998, 999}) {
        const int wait = Scheduler::MillisecondsToNextTick({2026, 3, 1, 8, 0, 5, millisecond});
        EXPECT_GT(millisecond + wait, 1000);
        EXPECT_LE(millisecond + wait, 1020);
    }
}

} // namespace
} // namespace kolvane
