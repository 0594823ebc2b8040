#include "engine/TaskRun.h"

#include "EngineTestKit.h"
#include "engine/Paths.h"
#include "store/IniFile.h"
#include "store/TaskTable.h"
#include "support/Sandbox.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace kolvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A path with "/" between its levels, spelt with the system's separator.
std::string Native(std::string path) {
    std::replace(path.begin(), path.end(), '/', kPathSeparator);
    return path;
}

class TaskRunTest : public testing::SandboxedTest {
protected:
    void SetUp() override {
        SandboxedTest::SetUp();
        writeFile(sandbox() / "src/a.txt", "a");
        ini_.emplace(pathOf("defaultSet.ini"));
        runner_.emplace(table_, *ini_, clock_, events_, jobs_);
    }
    void SetRow(const std::string& dest, const std::string& subDir, const std::string& count) {
        const std::string src = pathOf("src");
        table_.replaceRows({{"", {"nightly", src, dest, "08:00:00", subDir, "", count, ""}, {}}});
    }

    TaskTable table_;
    std::shared_ptr<testing::FakeClock> clock_ = std::make_shared<testing::FakeClock>();
    std::shared_ptr<JobRegistry> jobs_ = std::make_shared<JobRegistry>();
    std::shared_ptr<JobEventQueue> events_ = std::make_shared<JobEventQueue>(nullptr);
    std::optional<TIniFile> ini_;
    std::optional<TaskRunner> runner_;
};

TEST_F(TaskRunTest, MakeDirectoryPathCreatesMissingLevelsAndRaisesWithoutAFirstLevel) {
    const fs::path before = fs::current_path();
    fs::current_path(sandbox());
    EXPECT_TRUE(MakeDirectoryPath(Native(pathOf("a/b//c/"))));
    EXPECT_TRUE(fs::is_directory(pathOf("a/b/c")));
    EXPECT_TRUE(MakeDirectoryPath(Native(pathOf("a/b//c/")))); // existing levels are fine
    EXPECT_FALSE(MakeDirectoryPath(Native(pathOf("src/a.txt/sub"))));
    // The root of the file system, or of the drive, is there to begin with.
    EXPECT_TRUE(MakeDirectoryPath(testing::Utf8Of(sandbox().root_path())));
    for (const std::string path : {"", "backup", "backup/20260301-080005"})
        EXPECT_THROW(MakeDirectoryPath(Native(path)), std::runtime_error) << '"' << path << '"';
    fs::create_directory(sandbox() / "backup");
    EXPECT_TRUE(MakeDirectoryPath(Native("backup/20260301-080005")));
    EXPECT_TRUE(fs::is_directory(sandbox() / "backup" / "20260301-080005"));
    fs::current_path(before);
}

TEST_F(TaskRunTest, CopiesIntoTheTimeNamedSubDirectoryOnlyForOneAndCountsTheRunAtOnce) {
    // sub-directory cell, run count in the file before and after, where the copy lands; the
    // cell's stale "3" shows that the count is taken from the file, where another instance may
    // have counted runs since the table was built
    const std::array<std::string, 4> cases[] = {{"1", "7", "8", "20260301-080005/a.txt"},
                                                {"0", "junk", "1", "a.txt"},
                                                {"2", "", "1", "a.txt"},
                                                {"", "0x1F", "32", "a.txt"}};
    for (const auto& [subDir, before, after, landing] : cases) {
        SCOPED_TRACE("sub-directory cell \"" + subDir + "\", count \"" + before + "\"");
        const fs::path destination = sandbox() / ("bk" + subDir);
        SetRow(destination.string(), subDir, "3");
        TIniFile(ini_->path()).PutEntry("nightly", "runCount", before);
        runner_->RunTask(0);
        EXPECT_EQ(table_.cell(0, kRunCountCell), after);
        EXPECT_EQ(TIniFile(ini_->path()).GetEntry("nightly", "runCount", ""), after);
        ASSERT_TRUE(jobs_->WaitIdle(20s));
        EXPECT_EQ(readFile(destination / landing), "a");
    }
}

TEST_F(TaskRunTest, DirectoryErrorComesBeforeTheJobAndTheCountSettingsErrorAfterBoth) {
    SetRow("", "0", "7");
    try {
        runner_->RunTask(0);
        ADD_FAILURE() << "no error raised";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Unable to create directory");
    }
    EXPECT_EQ(table_.cell(0, kRunCountCell), "7");
    EXPECT_FALSE(fs::exists(ini_->path()));
    ASSERT_TRUE(jobs_->WaitIdle(20s));
    EXPECT_TRUE(events_->Drain().empty());

    fs::create_directory(ini_->path()); // a directory cannot be written as the settings file
    SetRow(pathOf("bk"), "0", "7");
    EXPECT_THROW(runner_->RunTask(0), WriteError);
    EXPECT_EQ(table_.cell(0, kRunCountCell), "8");
    ASSERT_TRUE(jobs_->WaitIdle(20s));
    EXPECT_EQ(readFile(sandbox() / "bk/a.txt"), "a");
}

TEST_F(TaskRunTest, BackupsInsideTheSourceAreLeftOutOfItsCopyWithOneNotice) {
    for (const std::string subDir : {"1", "0"}) {
        SCOPED_TRACE("sub-directory cell \"" + subDir + "\"");
        const fs::path backups = sandbox() / "src" / ("bk" + subDir);
        SetRow(pathOf("src/bk" + subDir) + kPathSeparator, subDir, "0");
        for (const int second : {5, 6}) {
            clock_->time.second = second;
            runner_->RunTask(0);
            ASSERT_TRUE(jobs_->WaitIdle(20s));
        }
        const std::string run = subDir == "1" ? "20260301-080006/" : "";
        EXPECT_EQ(readFile(backups / run / "a.txt"), "a");
        EXPECT_FALSE(fs::exists(backups / run / ("bk" + subDir)));
        int notices = 0;
        for (const JobEvent& event : events_->Drain())
            notices += event.kind == JobEvent::Kind::Notice &&
                       event.logLine == "2026-03-01 08:00:06：目标目录在源目录内，不复制：" +
                                            pathOf("src/bk" + subDir);
        EXPECT_EQ(notices, 1);
        clock_->time.second = 5;
    }
}

TEST_F(TaskRunTest, ScheduledRunIsSkippedUncountedWhileTheTasksJobRunsAndAManualOneIsNot) {
    fs::resize_file(sandbox() / "src/a.txt", std::uintmax_t{8} << 30); // sparse, slow to copy
    SetRow(pathOf("bk"), "0", "0");
    runner_->RunTask(0);
    runner_->RunScheduledTask(0);
    EXPECT_EQ(table_.cell(0, kRunCountCell), "1");
    runner_->RunTask(0);
    EXPECT_EQ(table_.cell(0, kRunCountCell), "2");
    ASSERT_TRUE(jobs_->StopAll(5s));
    std::vector<std::string> notices;
    for (const JobEvent& event : events_->Drain()) {
        if (event.kind == JobEvent::Kind::Notice)
            notices.push_back(event.logLine);
    }
    EXPECT_EQ(notices,
              std::vector<std::string>{"2026-03-01 08:00:05：任务\"nightly\"仍在运行，本次跳过"});

    fs::resize_file(sandbox() / "src/a.txt", 1);
    runner_->RunScheduledTask(0); // nothing runs any more
    EXPECT_EQ(table_.cell(0, kRunCountCell), "3");
    EXPECT_EQ(TIniFile(ini_->path()).GetEntry("nightly", "runCount", ""), "3");
    ASSERT_TRUE(jobs_->WaitIdle(20s));
}

} // namespace
} // namespace kolvane
