#include "engine/Scheduler.h"

#include "EngineTestKit.h"
#include "store/TaskTable.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>

namespace kolvane {
namespace {

TEST(TimeOfDayTest, ParseTimeOfDayFollowsTheTextRule) {
    for (const char* text : {"08:00:00", "8:00", "  08 : 00 : 00  ", "00000008:00", "08:00:00.999"})
        EXPECT_EQ(ParseTimeOfDay(text), 8 * 3600) << '"' << text << '"';
    for (const char* text : {"8:00 PM", "pm 8:00:00", "8:00:00.5pm"})
        EXPECT_EQ(ParseTimeOfDay(text), 20 * 3600) << '"' << text << '"';
    EXPECT_EQ(ParseTimeOfDay("12:00 am"), 0);
    EXPECT_EQ(ParseTimeOfDay("12:30:15 Pm"), 12 * 3600 + 30 * 60 + 15);
    EXPECT_EQ(ParseTimeOfDay("23:59:59"), 86399);
    for (const char* text :
         {"", "8", "8:", "24:00", "08:60", "08:00:60", "08:00:00.1000", "08:00.5", "13:00 PM",
          "0:00 AM", "AM 8:00 PM", "08:00:00x", "08-00-00", "\t08:00:00"})
        EXPECT_EQ(ParseTimeOfDay(text), std::nullopt) << '"' << text << '"';
}

TaskRow Row(const std::string& time, const std::string& interval) {
    return {kTaskCaption, {"", "", "", time, "", "", "", interval}, {}}; // time and interval cells
}

LocalDateTime At(int hour, int minute, int second, int millisecond = 0) {
    return {2026, 3, 1, hour, minute, second, millisecond};
}

class SchedulerTest : public ::testing::Test {
protected:
    void TickAt(const LocalDateTime& time) {
        clock_->time = time;
        scheduler_.TimerMainTimer();
    }

    TaskTable table_;
    std::shared_ptr<testing::FakeClock> clock_ = std::make_shared<testing::FakeClock>();
    std::vector<int> started_;
    std::vector<std::string> reports_;
    Scheduler::RunTaskFn run_ = [this](int row) {
        started_.push_back(row);
        if (table_.cell(row, kNameCell).starts_with("fail"))
            throw std::runtime_error(table_.cell(row, kNameCell));
    };
    Scheduler::ReportFn report_ = [this](const std::string& text) { reports_.push_back(text); };
    Scheduler scheduler_{table_, clock_, run_, report_};
};

TEST_F(SchedulerTest, DueTimesFollowTheDailyAndIntervalRules) {
    // time cell, interval cell, the moment examined, whether the row is due then
    const std::tuple<const char*, const char*, LocalDateTime, bool> cases[] = {
        {"08:00:00", "", At(8, 0, 0), true},       {"08:00:00", "", At(8, 0, 1), false},
        {"8:00:00", "", At(8, 0, 0), false},       {"", "", At(0, 0, 0), false},
        {"12:00:00", "60", At(0, 0, 0), true},     {"8:00:00", "60", At(9, 0, 0), true},
        {"08:00:30", "1", At(17, 41, 30), true},   {"08:00:30", "1", At(17, 41, 31), false},
        {"08:00:00", "420", At(22, 0, 0), true},   {"08:00:00", "420", At(4, 0, 0), false},
        {"08:00:00", "1440", At(8, 0, 0), true},   {"08:00:00", "2000", At(7, 0, 0), false},
        {"08:00:00", "1439", At(7, 59, 0), false}, {"08:00:00", "0", At(8, 30, 0), false},
        {"08:00:00", "-5", At(8, 0, 0), true},     {"08:00:00", "abc", At(9, 0, 0), false},
        {"08:00:00", "$1E", At(8, 30, 0), true},
    };
    for (const auto& [time, interval, moment, due] : cases) {
        table_.replaceRows({Row(time, interval)});
        clock_->time = moment;
        started_.clear();
        Scheduler(table_, clock_, run_, report_).TimerMainTimer(); // a first tick: `moment` alone
        EXPECT_EQ(started_, due ? std::vector<int>{0} : std::vector<int>{})
            << '"' << time << "\" every \"" << interval << "\" at " << FormatTimeOfDay(moment);
    }
}

TEST_F(SchedulerTest, EveryDueRowStartsOnceInTableOrderWhateverAnEarlierRowRaised) {
    table_.replaceRows({Row("09:00:00", ""), Row("08:00:00", "30"), Row("abc", "5"),
                        Row("07:00:00", "60"), Row("08:00:00", "")});
    table_.setCell(1, kNameCell, "fail first");
    table_.setCell(3, kNameCell, "fail second");
    TickAt(At(8, 0, 0));
    EXPECT_EQ(started_, (std::vector<int>{1, 3, 4})); // row 1 is due by both rules
    EXPECT_EQ(reports_,
              (std::vector<std::string>{"fail first", "'abc' is not a valid time", "fail second"}));
    TickAt(At(8, 0, 0));
    EXPECT_EQ(started_, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(reports_.size(), 3u);
}

TEST_F(SchedulerTest, EverySecondIsExaminedExactlyOnce) {
    table_.replaceRows({Row("08:00:00", "1")}); // due at second 0 of every minute
    const std::pair<LocalDateTime, size_t> ticks[] = {
        {At(7, 59, 58), 0},  // a first tick examines its own second alone
        {At(8, 0, 1), 1},    // the tick for 08:00:00 never came
        {At(8, 0, 1), 1},    // a second tick in the same second
        {At(8, 1, 0), 2},    // 59 seconds on: all caught up, the minute mark once
        {At(8, 0, 0), 3},    // set back: only the current second
        {At(9, 59, 59), 3},  // far forward: the seconds between are not caught up
        {At(23, 59, 59), 3}, // midnight is caught up across the change of a day,
        {{2026, 3, 2, 0, 0, 1, 0}, 4},
        {{2024, 2, 29, 23, 59, 59, 0}, 4}, // of a leap day,
        {{2024, 3, 1, 0, 0, 1, 0}, 5},
        {{2100, 2, 28, 23, 59, 59, 0}, 5}, // of a century's February
        {{2100, 3, 1, 0, 0, 1, 0}, 6},
        {{2025, 12, 31, 23, 59, 59, 0}, 6}, // and of a year
        {{2026, 1, 1, 0, 0, 1, 0}, 7},
    };
    for (const auto& [time, starts] : ticks) {
        TickAt(time);
        EXPECT_EQ(started_.size(), starts) << FormatTimeStamp(time);
    }
}

TEST_F(SchedulerTest, UnreadableTimeIsReportedOnceWhileOtherRowsRun) {
    table_.replaceRows({Row("abc", "5"), Row("08:00:00", "")});
    TickAt(At(8, 0, 0));
    TickAt(At(8, 0, 2)); // examines 08:00:01 and 08:00:02
    EXPECT_EQ(started_, std::vector<int>{1});
    EXPECT_EQ(reports_, std::vector<std::string>{"'abc' is not a valid time"});
    table_.replaceRows({Row("abc", "5")}); // a rebuilt table is reported anew
    TickAt(At(8, 0, 3));
    EXPECT_EQ(reports_.size(), 2u);
}

TEST(SchedulerTickTest, NextTickFallsJustAfterTheSecondBoundary) {
    for (const int millisecond : {0, 1, 500, 998, 999}) {
        const int tick = millisecond + Scheduler::MillisecondsToNextTick(At(8, 0, 5, millisecond));
        EXPECT_TRUE(tick > 1000 && tick <= 1020) << millisecond << " + " << tick - millisecond;
    }
}

} // namespace
} // namespace kolvane
