#include "engine/TaskRun.h"

#include "EngineTestKit.h"
#include "store/IniFile.h"
#include "store/TaskTable.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kolvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class TaskRunTest : public testing::SandboxedTest {
protected:
    void SetUp() override {
        SandboxedTest::SetUp();
        ini_ = std::make_unique<TIniFile>(pathOf("defaultSet.ini"));
        runner_ = std::make_unique<TaskRunner>(table_, *ini_, clock_, sink_, jobs_);
        writeFile(sandbox() / "src/a.txt", "a");
    }

    void SetRow(const std::string& destination, const std::string& subDir,
                const std::string& runCount) {
        TaskRow row;
        row.subItems = {"nightly", pathOf("src"), destination, "08:00:00", subDir,
                        "",        runCount,      ""};
        table_.replaceRows({row});
    }

    TaskTable table_;
    std::unique_ptr<TIniFile> ini_;
    std::shared_ptr<testing::FakeClock> clock_ = std::make_shared<testing::FakeClock>();
    std::shared_ptr<testing::CollectingSink> sink_ = std::make_shared<testing::CollectingSink>();
    std::shared_ptr<JobRegistry> jobs_ = std::make_shared<JobRegistry>();
    std::unique_ptr<TaskRunner> runner_;
};

TEST_F(TaskRunTest, OnlyTheExactTextOneAsksForTheTimeNamedSubDirectory) {
    const std::pair<std::string, std::string> cases[] = {
        {"1", "20260301-080005/a.txt"}, {"0", "a.txt"}, {"2", "a.txt"}, {"", "a.txt"}};
    for (const auto& [subDir, landing] : cases) {
        SCOPED_TRACE("sub-directory cell \"" + subDir + "\"");
        const fs::path destination = sandbox() / ("bk" + subDir);
        SetRow(destination.string() + "/", subDir, "0");
        runner_->RunTask(0);
        ASSERT_TRUE(jobs_->WaitIdle(20s));
        EXPECT_EQ(readFile(destination / landing), "a");
    }
}

TEST_F(TaskRunTest, CountsTheRunInTheCellAndInTheFileAtOnce) {
    const std::pair<std::string, std::string> cases[] = {{"7", "8"}, {"junk", "1"}, {"", "1"}};
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before);
        SetRow(pathOf("bk"), "0", before);
        runner_->RunTask(0);
        EXPECT_EQ(table_.cell(0, kRunCountCell), after);
        EXPECT_EQ(TIniFile(ini_->path()).GetEntry("nightly", "runCount", ""), after);
        ASSERT_TRUE(jobs_->WaitIdle(20s));
    }
}

TEST_F(TaskRunTest, EmptyDestinationRaisesBeforeAnyJobOrCount) {
    SetRow("", "0", "7");
    EXPECT_THROW(runner_->RunTask(0), std::runtime_error);
    EXPECT_EQ(jobs_->RunningCount(), 0u);
    EXPECT_EQ(table_.cell(0, kRunCountCell), "7");
    EXPECT_FALSE(fs::exists(ini_->path()));
    EXPECT_TRUE(sink_->events().empty());
}

TEST_F(TaskRunTest, SettingsWriteErrorComesAfterTheJobStartedAndTheCellCounted) {
    fs::create_directory(ini_->path()); // a directory cannot be written as the settings file
    SetRow(pathOf("bk"), "0", "7");
    EXPECT_THROW(runner_->RunTask(0), WriteError);
    EXPECT_EQ(table_.cell(0, kRunCountCell), "8");
    ASSERT_TRUE(jobs_->WaitIdle(20s));
    EXPECT_EQ(readFile(sandbox() / "bk/a.txt"), "a");
}

} // namespace
} // namespace kolvane
