#include "engine/BackupRuns.h"
#include "engine/CatchUp.h"
#include "engine/NameMask.h"

#include <gtest/gtest.h>

namespace kolvane {
namespace {

TEST(NameMaskTest, MatchesWholeNamesAgainstAnyPattern) {
    struct Case {
        const char* patterns;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.tmp", "a.tmp", true},   {"*.tmp", "a.tmp.txt", false},
        {"*.tmp", ".tmp", true},    {"?.log", "x.log", true},
        {"?.log", "xy.log", false}, {"?.log", "文.log", true}, // one character, three bytes
        {"a*b*c", "aXbYbZc", true}, {"a*b*c", "aXbYcZ", false},
        {"**", "", true},           {"x", "X", false},
        {" a ; b ", "b", true},     {";;", "", false},
        {"", "anything", false},    {"cache", "cache2", false},
        {"*~", "notes.txt~", true}, {"*?*?*?*?*?x", "aaaaaaaaaaaaaaaaaaaaaaaaay", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameMask(c.patterns, false).Matches(c.name), c.matches)
            << c.patterns << " / " << c.name;
    EXPECT_TRUE(NameMask("*.TMP;Thumbs.db", true).Matches("thumbs.DB"));
}

TEST(BackupRunsTest, OnlyExactTimeNamesAreRuns) {
    for (const char* name : {"20260301-080005", "19991231-235959"})
        EXPECT_TRUE(IsTimeNamed(name)) << name;
    for (const char* name : {"20260301-08000", "20260301-0800055", "20260301_080005",
                             "2026030a-080005", "20261301-080005", "20260300-080005",
                             "20260301-240000", "20260301-086000", " 20260301-080005", ""})
        EXPECT_FALSE(IsTimeNamed(name)) << name;
}

TEST(BackupRunsTest, RunsBeyondTheNewestAreRemovedButNeverTheOneJustMadeOrOneInUse) {
    const std::vector<std::string> runs = {"20260101-000000", "20260102-000000", "20260103-000000",
                                           "20260104-000000"};
    using Names = std::vector<std::string>;
    EXPECT_EQ(RunsToRemove(runs, 2, "20260104-000000", {}),
              (Names{"20260101-000000", "20260102-000000"}));
    EXPECT_EQ(RunsToRemove(runs, 0, "20260104-000000", {}), Names{});
    EXPECT_EQ(RunsToRemove(runs, 4, "20260104-000000", {}), Names{});
    // A clock set back makes the run just made older than others.
    EXPECT_EQ(RunsToRemove(runs, 1, "20260101-000000", {"20260102-000000"}),
              Names{"20260103-000000"});
    EXPECT_EQ(NewestRunBefore(runs, "20260103-120000"), "20260103-000000");
    EXPECT_EQ(NewestRunBefore(runs, "20260103-000000"), "20260102-000000");
    EXPECT_EQ(NewestRunBefore(runs, "20260101-000000"), std::nullopt);
}

TEST(CatchUpTest, TimeStampsReadBackOnlyInTheirExactForm) {
    EXPECT_EQ(ParseTimeStamp("2024-02-29 23:59:59"), (LocalDateTime{2024, 2, 29, 23, 59, 59, 0}));
    for (const char* text :
         {"2026-02-29 08:00:00", "2026-03-01 24:00:00", "2026-3-01 08:00:00",
          "2026-03-01 08:00:00 ", "2026-03-01T08:00:00", "2026-04-31 08:00:00", ""})
        EXPECT_EQ(ParseTimeStamp(text), std::nullopt) << text;
}

TEST(CatchUpTest, ARunIsMissedWhenTheLatestDueTimeOfTheLastDayCameAfterTheLastRun) {
    struct Case {
        const char* time;
        const char* interval;
        const char* lastRun;
        LocalDateTime now;
        bool missed;
    };
    const LocalDateTime nine{2026, 3, 1, 9, 0, 0, 0}, tenPast{2026, 3, 1, 9, 10, 0, 0};
    const Case cases[] = {
        {"08:00:00", "", "2026-03-01 07:59:59", nine, true},
        {"08:00:00", "", "2026-03-01 08:00:00", nine, false}, // it ran at the due time
        {"08:00:00", "", "2026-02-28 08:00:00", {2026, 3, 1, 7, 0, 0, 0}, false},
        {"08:00:00", "", "2026-02-27 08:00:00", {2026, 3, 1, 7, 0, 0, 0}, true},  // yesterday's
        {"08:00:00", "", "2026-03-01 07:00:00", {2026, 3, 1, 8, 0, 0, 0}, false}, // due now
        {"08:00:00", "", "2026-02-20 08:00:00", {2026, 3, 1, 8, 0, 1, 0}, true},
        {"08:00:00", "", "", nine, false},
        {"08:00:00", "", "yesterday", nine, false},
        {"8:00:00", "", "2026-02-01 07:00:00", nine, false},     // never due by the daily rule
        {"8:00:00", "30", "2026-03-01 08:59:00", tenPast, true}, // due at 09:00 by the interval
        {"08:00:00", "30", "2026-03-01 09:00:00", tenPast, false},
        {"08:00:00", "30", "2026-03-01 08:00:00", nine, false}, // 09:00 is due now
        {"08:00:00", "420", "2026-02-28 22:00:00", {2026, 3, 1, 0, 59, 0, 0}, false},
        {"08:00:00", "420", "2026-02-28 21:59:59", {2026, 3, 1, 0, 59, 0, 0}, true},
        {"bad", "30", "2026-02-01 07:00:00", nine, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsRunMissed(c.time, c.interval, c.lastRun, c.now), c.missed)
            << c.time << " / " << c.interval << " / " << c.lastRun;
}

} // namespace
} // namespace kolvane
