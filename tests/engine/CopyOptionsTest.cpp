#include "EngineTestKit.h"
#include "base/PathTerms.h"
#include "engine/CopyJob.h"
#include "engine/UnchangedCopies.h"
#include "platform/BackupFiles.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace kolvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kStamp = "2026-03-01 08:00:05：";

std::string TextOf(const fs::path& path) {
    return testing::Utf8Of(fs::path(path).make_preferred());
}

TaskOptions Options(bool TaskOptions::*option) {
    TaskOptions options;
    options.*option = true;
    return options;
}

TaskOptions KeepLast(int runs) {
    TaskOptions options;
    options.keepLast = runs;
    return options;
}

TaskOptions Excluding(const std::string& mask) {
    TaskOptions options;
    options.excludeMask = mask;
    return options;
}

// Runs of a task with options, as the task run starts them: the job is told the options and,
// with the time-named sub-directory, the name of the run's own one.
class CopyOptionsTest : public testing::SandboxedTest {
protected:
    std::vector<JobEvent> Run(const TaskOptions& options, const std::string& runDirectory = {}) {
        auto* job = new TcopyFile("备份", jobs_, std::make_shared<testing::FakeClock>());
        job->onProgress = events_;
        job->options = options;
        job->runDirectory = runDirectory;
        job->backupRoot = TextOf(backup_);
        const fs::path destination = runDirectory.empty() ? backup_ : backup_ / runDirectory;
        job->SetPaths(TextOf(source_), TextOf(destination));
        EXPECT_TRUE(jobs_->WaitIdle(20s));
        return events_->Drain();
    }

    static std::vector<std::string> LinesOf(const std::vector<JobEvent>& events) {
        std::vector<std::string> lines;
        for (const JobEvent& event : events)
            lines.push_back(event.logLine);
        return lines;
    }

    // The progress lines of the files, in the order of `names`, then the completion line and the
    // counts.
    std::vector<std::string> Expected(const std::vector<std::string>& names,
                                      const std::string& counts) const {
        std::vector<std::string> lines;
        for (const std::string& name : names)
            lines.push_back(kStamp + TextOf(source_ / name));
        lines.push_back(kStamp + "任务\"备份\"执行完毕");
        lines.push_back(kStamp + counts);
        return lines;
    }

    // The order the job lists the source in.
    std::vector<std::string> SourceNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(source_))
            if (!entry.is_directory())
                names.push_back(testing::Utf8Of(entry.path().lexically_relative(source_)));
        return names;
    }

    void SetUp() override {
        SandboxedTest::SetUp();
        source_ = sandbox() / "work";
        backup_ = sandbox() / "bk";
    }

    fs::path source_, backup_;
    std::shared_ptr<JobRegistry> jobs_ = std::make_shared<JobRegistry>();
    std::shared_ptr<JobEventQueue> events_ = std::make_shared<JobEventQueue>([] {});
};

// A copy with the source's size and time but other content shows whether it was copied again.
TEST_F(CopyOptionsTest, SkipSameLeavesCopiesOfTheSameSizeAndTimeAndCopiesTheRest) {
    struct Case {
        const char* name;
        const char* copyContent; // nullptr: no copy there yet
        fs::file_time_type::duration copyTimeOffset;
        bool wholeSecondCopy; // the copy's time as a file system without fractions keeps it
        bool skipped;
    };
    const std::vector<Case> cases = {
        {"same.txt", "SAME", 0s, false, true},   {"second.txt", "SECO", 0s, true, true},
        {"size.txt", "SIZE+", 0s, false, false}, {"time.txt", "TIME", 2s, false, false},
        {"new.txt", nullptr, 0s, false, false},
    };
    const auto sourceTime =
        fs::file_time_type::clock::now() - 100h + std::chrono::milliseconds(250);
    for (const Case& c : cases) {
        writeFile(source_ / c.name, std::string(c.name).substr(0, 4));
        fs::last_write_time(source_ / c.name, sourceTime);
        if (!c.copyContent)
            continue;
        writeFile(backup_ / c.name, c.copyContent);
        const auto copyTime =
            c.wholeSecondCopy ? std::chrono::floor<std::chrono::seconds>(sourceTime) : sourceTime;
        fs::last_write_time(backup_ / c.name, copyTime + c.copyTimeOffset);
    }
    const std::vector<std::string> names = SourceNames();

    EXPECT_EQ(LinesOf(Run(Options(&TaskOptions::skipSame))),
              Expected(names, "复制 3 个，未变 2 个"));
    for (const Case& c : cases)
        EXPECT_EQ(readFile(backup_ / c.name),
                  c.skipped ? c.copyContent : std::string(c.name).substr(0, 4))
            << c.name;
    // Without the option every file is copied, and no counts are told.
    std::vector<std::string> plain = Expected(names, "");
    plain.pop_back();
    EXPECT_EQ(LinesOf(Run({})), plain);
    EXPECT_EQ(readFile(backup_ / "same.txt"), "same");
}

TEST_F(CopyOptionsTest, SkipSameLeavesTheUnchangedCopyOfASingleFileSource) {
    writeFile(sandbox() / "one.txt", "new");
    writeFile(backup_ / "one.txt", "old");
    fs::last_write_time(backup_ / "one.txt", fs::last_write_time(sandbox() / "one.txt"));
    auto* job = new TcopyFile("备份", jobs_, std::make_shared<testing::FakeClock>());
    job->onProgress = events_;
    job->options = Options(&TaskOptions::skipSame);
    job->SetPaths(TextOf(sandbox() / "one.txt"), TextOf(backup_));
    ASSERT_TRUE(jobs_->WaitIdle(20s));
    EXPECT_EQ(LinesOf(events_->Drain()).back(), kStamp + "复制 0 个，未变 1 个");
    EXPECT_EQ(readFile(backup_ / "one.txt"), "old");
}

// The helper looks from the front while the entries are asked for from the back, so that both
// threads give verdicts.
TEST_F(CopyOptionsTest, UnchangedEntriesGiveTheSameVerdictOnEitherThread) {
    FileList list;
    std::vector<bool> unchanged;
    for (int i = 0; i < 3000; ++i) {
        const std::string name =
            "d" + std::to_string(i / 100) + kPathSeparator + "f" + std::to_string(i);
        writeFile(source_ / testing::PathOf(name), "content");
        writeFile(backup_ / testing::PathOf(name), i % 7 == 0 ? "changed!" : "content");
        fs::last_write_time(backup_ / testing::PathOf(name),
                            fs::last_write_time(source_ / testing::PathOf(name)));
        unchanged.push_back(i % 7 != 0);
        list.Add(FileList::Kind::File, name);
    }
    UnchangedEntries entries(list, TextOf(source_) + kPathSeparator,
                             TextOf(backup_) + kPathSeparator);
    std::vector<std::string> names;
    list.ForEach([&](FileList::Kind, std::string_view name) {
        names.emplace_back(name);
        return true;
    });
    for (std::size_t i = names.size(); i-- > 0;)
        ASSERT_EQ(entries.IsUnchanged(i, names[i]), unchanged[i]) << names[i];
}

TEST_F(CopyOptionsTest, SkipSameReplacesALinkThatStandsForTheCopy) {
    writeFile(source_ / "a.txt", "new");
    writeFile(sandbox() / "elsewhere.txt", "new");
    fs::last_write_time(sandbox() / "elsewhere.txt", fs::last_write_time(source_ / "a.txt"));
    fs::create_directories(backup_);
    std::error_code refused;
    fs::create_symlink(sandbox() / "elsewhere.txt", backup_ / "a.txt", refused);
    if (refused)
        GTEST_SKIP() << "this system does not let the test make links";
    Run(Options(&TaskOptions::skipSame));
    EXPECT_FALSE(fs::is_symlink(backup_ / "a.txt"));
    EXPECT_EQ(readFile(backup_ / "a.txt"), "new");
}

TEST_F(CopyOptionsTest, LinkSameLinksOnlyFilesUnchangedSinceTheNewestEarlierRun) {
    for (const char* name : {"keep.txt", "sub/keep2.txt", "change.txt"})
        writeFile(source_ / name, std::string("first ") + name);
    const std::string previous = "20260301-070000", older = "20260228-070000",
                      current = "20260301-080005";
    Run(Options(&TaskOptions::linkSame), previous);
    // An older run holds the same names with the same times but other content: linking to it
    // would show.
    for (const char* name : {"keep.txt", "sub/keep2.txt"}) {
        writeFile(backup_ / older / name, std::string("older ") + name);
        fs::last_write_time(backup_ / older / name, fs::last_write_time(source_ / name));
    }
    writeFile(source_ / "change.txt", "second change.txt, longer");
    writeFile(source_ / "added.txt", "added");

    const std::vector<std::string> names = SourceNames();
    EXPECT_EQ(LinesOf(Run(Options(&TaskOptions::linkSame), current)),
              Expected(names, "复制 2 个，链接 2 个"));
    for (const std::string& name : names) {
        const fs::path copy = backup_ / current / name;
        EXPECT_EQ(readFile(copy), readFile(source_ / name)) << name;
        const bool unchanged = name.find("keep") != std::string::npos;
        EXPECT_EQ(fs::exists(backup_ / previous / name) &&
                      fs::equivalent(copy, backup_ / previous / name),
                  unchanged)
            << name;
    }
    EXPECT_EQ(readFile(backup_ / previous / "change.txt"), "first change.txt");
}

TEST_F(CopyOptionsTest, KeepLastRemovesOnlyTheOldestTimeNamedDirectoriesAfterARunWithoutFailures) {
    writeFile(source_ / "a.txt", "a");
    const std::vector<std::string> timeNamed = {"20251231-235959", "20260101-000000",
                                                "20260301-000000"};
    const std::vector<std::string> others = {"keep", "20260101-00000", "20260101-000000.old",
                                             "20261301-000000", "2026010a-000000"};
    for (const std::string& name : timeNamed)
        writeFile(backup_ / name / "a.txt", "old");
    for (const std::string& name : others)
        writeFile(backup_ / name / "a.txt", "other");
    writeFile(backup_ / "20250101-000000", "a file, not a run");
    const std::string current = "20260301-080005";

    // A failed run: the run's directory holds a copy that cannot be replaced.
    writeFile(backup_ / current / "a.txt", "locked");
    fs::permissions(backup_ / current / "a.txt", fs::perms{0444});
    Run(KeepLast(1), current);
    for (const std::string& name : timeNamed)
        EXPECT_TRUE(fs::exists(backup_ / name)) << name;

    fs::permissions(backup_ / current / "a.txt", fs::perms{0644});
    Run(KeepLast(2), current);
    std::set<std::string> left;
    for (const auto& entry : fs::directory_iterator(backup_))
        left.insert(testing::Utf8Of(entry.path().filename()));
    std::set<std::string> expected(others.begin(), others.end());
    expected.insert({"20250101-000000", "20260301-000000", current});
    EXPECT_EQ(left, expected);
    EXPECT_EQ(readFile(backup_ / current / "a.txt"), "a");
}

TEST_F(CopyOptionsTest, ExcludeMaskLeavesOutMatchingFilesAndDirectoriesUncounted) {
    for (const char* name : {"a.txt", "b.tmp", "C.TMP", "x.log", "xy.log", "cache/in.txt",
                             "sub/cache", "sub/d.txt", "sub/e.tmp", "Cache2/f.txt"})
        writeFile(source_ / name, "x");
    std::set<std::string> expected = {"a.txt", "xy.log", "sub/d.txt"};
    if (!platform::kNamesIgnoreLetterCase)
        expected.insert({"C.TMP", "Cache2/f.txt"});
    const std::vector<JobEvent> events = Run(Excluding(" *.tmp ;cache;; ?.log;cache?"));
    std::set<std::string> copied;
    for (const auto& entry : fs::recursive_directory_iterator(backup_))
        if (!entry.is_directory())
            copied.insert(entry.path().lexically_relative(backup_).generic_string());
    EXPECT_EQ(copied, expected);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().total, static_cast<int>(expected.size()));
    EXPECT_EQ(events.back().logLine, kStamp + "复制 " + std::to_string(expected.size()) + " 个");
}

TEST_F(CopyOptionsTest, ExcludeMaskAppliesToASingleFileSource) {
    writeFile(sandbox() / "one.bak", "x");
    auto* job = new TcopyFile("备份", jobs_, std::make_shared<testing::FakeClock>());
    job->onProgress = events_;
    job->options.excludeMask = "*.bak";
    job->SetPaths(TextOf(sandbox() / "one.bak"), TextOf(backup_));
    ASSERT_TRUE(jobs_->WaitIdle(20s));
    EXPECT_EQ(LinesOf(events_->Drain()),
              (std::vector<std::string>{kStamp + "任务\"备份\"执行完毕", kStamp + "复制 0 个"}));
    EXPECT_FALSE(fs::exists(backup_ / "one.bak"));
}

TEST_F(CopyOptionsTest, StopByTheUserAbandonsTheFileInProgressAndEndsWithTheStoppedLine) {
    writeFile(source_ / "big.bin", "");
    fs::resize_file(source_ / "big.bin", std::uintmax_t{8} << 30); // sparse: slow to copy only
    fs::create_directories(backup_);
    auto* job = new TcopyFile("备份", jobs_, std::make_shared<testing::FakeClock>());
    job->onProgress = events_;
    job->SetPaths(TextOf(source_), TextOf(backup_));
    ASSERT_TRUE(testing::waitUntil([&] { return testing::WritingInto(backup_); }));

    const auto asked = std::chrono::steady_clock::now();
    jobs_->StopJobsOf("其他");
    jobs_->StopJobsOf("备份");
    EXPECT_TRUE(jobs_->WaitIdle(5s));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
    EXPECT_TRUE(fs::is_empty(backup_));
    const std::vector<JobEvent> events = events_->Drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].logLine, kStamp + "任务\"备份\"已停止");
    EXPECT_TRUE(events[0].kind == JobEvent::Kind::Completion && events[0].stopped);
}

} // namespace
} // namespace kolvane
