#include "engine/Clock.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

TEST(ClockTest, FormatsFixedWidthFields) {
    const LocalDateTime time{2026, 3, 1, 8, 0, 5, 123};
    EXPECT_EQ(FormatTimeStamp(time), "2026-03-01 08:00:05");
    EXPECT_EQ(FormatSubDirName(time), "20260301-080005");
    EXPECT_EQ(FormatTimeOfDay(time), "08:00:05");
}

TEST(ClockTest, CivilSecondsCountOnAcrossDayMonthAndLeapYear) {
    EXPECT_EQ(CivilSeconds({1970, 1, 1, 0, 0, 0, 0}), 0);
    const std::pair<LocalDateTime, LocalDateTime> consecutive[] = {
        {{2026, 3, 1, 8, 0, 5, 0}, {2026, 3, 1, 8, 0, 6, 0}},
        {{2024, 2, 29, 23, 59, 59, 0}, {2024, 3, 1, 0, 0, 0, 0}},
        {{2025, 12, 31, 23, 59, 59, 0}, {2026, 1, 1, 0, 0, 0, 0}},
        {{2100, 2, 28, 23, 59, 59, 0}, {2100, 3, 1, 0, 0, 0, 0}},
    };
    for (const auto& [before, after] : consecutive)
        EXPECT_EQ(CivilSeconds(after) - CivilSeconds(before), 1) << FormatTimeStamp(after);
    EXPECT_EQ(CivilSeconds({2026, 3, 1, 8, 0, 5, 0}) % 86400, 8 * 3600 + 5);
}

TEST(ClockTest, ParseTimeOfDayFollowsTheTextRule) {
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"08:00:00", 28800},          {"8:00", 28800},
        {"  08 : 00 : 00  ", 28800},  {"00000008:00", 28800},
        {"08:00:00.999", 28800},      {"8:00 PM", 72000},
        {"pm 8:00:00", 72000},        {"12:00 am", 0},
        {"12:30:15 Pm", 45015},       {"8:00:00.5pm", 72000},
        {"23:59:59", 86399},          {"", std::nullopt},
        {"8", std::nullopt},          {"8:", std::nullopt},
        {"24:00", std::nullopt},      {"08:60", std::nullopt},
        {"08:00:60", std::nullopt},   {"08:00:00.1000", std::nullopt},
        {"08:00.5", std::nullopt},    {"13:00 PM", std::nullopt},
        {"0:00 AM", std::nullopt},    {"AM 8:00 PM", std::nullopt},
        {"08:00:00x", std::nullopt},  {"08-00-00", std::nullopt},
        {"\t08:00:00", std::nullopt},
    };
    for (const auto& [text, seconds] : cases)
        EXPECT_EQ(ParseTimeOfDay(text), seconds) << '"' << text << '"';
}

} // namespace
} // namespace kolvane
