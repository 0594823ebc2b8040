#include "engine/CopyJob.h"

#include "EngineTestKit.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace kolvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kStamp = "2026-03-01 08:00:05：";

class CopyJobTest : public testing::SandboxedTest {
protected:
    std::vector<JobEvent> RunJob(const std::string& source, const std::string& destination) {
        StartJob(source, destination);
        EXPECT_TRUE(jobs_->WaitIdle(20s));
        return sink_->events();
    }
    void StartJob(const std::string& source, const std::string& destination) {
        auto* job = new TcopyFile("备份", jobs_, clock_);
        job->onProgress = sink_;
        job->SetPaths(source, destination);
    }

    // Every entry reported in order with its total, then the completion line last.
    static std::set<std::string> ExpectProgressThenCompletion(const std::vector<JobEvent>& events,
                                                              int total) {
        std::set<std::string> lines;
        int index = 0;
        for (const JobEvent& event : events) {
            if (event.kind != JobEvent::Kind::Progress)
                continue;
            EXPECT_EQ(event.index, ++index);
            EXPECT_EQ(event.total, total);
            EXPECT_EQ(event.jobName, "备份");
            lines.insert(event.logLine);
        }
        EXPECT_EQ(index, total);
        EXPECT_FALSE(events.empty());
        if (!events.empty()) {
            EXPECT_EQ(events.back().kind, JobEvent::Kind::Completion);
            EXPECT_EQ(events.back().logLine, std::string(kStamp) + "任务\"备份\"执行完毕");
        }
        return lines;
    }

    static std::set<std::string> NamesIn(const fs::path& directory) {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(directory))
            names.insert(fs::relative(entry.path(), directory).string());
        return names;
    }

    // Whether this process holds a file open in the directory, named or not.
    static bool WritingInto(const fs::path& directory) {
        for (const auto& descriptor : fs::directory_iterator("/proc/self/fd")) {
            std::error_code gone;
            if (fs::read_symlink(descriptor.path(), gone).parent_path() == directory)
                return true;
        }
        return false;
    }

    std::shared_ptr<JobRegistry> jobs_ = std::make_shared<JobRegistry>();
    std::shared_ptr<testing::FakeClock> clock_ = std::make_shared<testing::FakeClock>();
    std::shared_ptr<testing::CollectingSink> sink_ = std::make_shared<testing::CollectingSink>();
};

TEST_F(CopyJobTest, CopiesTreeWithLayoutDotFilesAndSemicolonsInNames) {
    const std::set<std::string> files = {"a.txt", ".profile", "sub/b.txt", "sub/deeper/c;d.txt",
                                         "sub/noext"};
    for (const std::string& name : files)
        writeFile(sandbox() / "src" / name, "content of " + name);
    const fs::path dated = sandbox() / "src/a.txt";
    fs::permissions(dated, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const auto lastWrite = fs::last_write_time(dated) - 240h;
    fs::last_write_time(dated, lastWrite);

    const auto events = RunJob(pathOf("src"), pathOf("bk"));

    std::set<std::string> expectedLines;
    for (const std::string& name : files) {
        EXPECT_EQ(readFile(sandbox() / "bk" / name), "content of " + name) << name;
        expectedLines.insert(kStamp + pathOf("src/" + name));
    }
    EXPECT_EQ(ExpectProgressThenCompletion(events, 5), expectedLines);
    EXPECT_EQ(events.size(), 6u); // no failure lines
    EXPECT_EQ(NamesIn(sandbox() / "bk"),
              (std::set<std::string>{".profile", "a.txt", "sub", "sub/b.txt", "sub/deeper",
                                     "sub/deeper/c;d.txt", "sub/noext"}));
    EXPECT_EQ(fs::status(sandbox() / "bk/a.txt").permissions(), fs::status(dated).permissions());
    EXPECT_EQ(fs::last_write_time(sandbox() / "bk/a.txt"), lastWrite);
}

TEST_F(CopyJobTest, ExistingFileIsCopiedAloneWithOrWithoutExtension) {
    for (const std::string name : {"report.txt", "report"}) {
        SCOPED_TRACE(name);
        const fs::path source = sandbox() / name / "data" / name;
        writeFile(source, "single");
        writeFile(source.parent_path() / "other.txt", "not copied");
        const fs::path destination = sandbox() / name / "bk";
        fs::create_directories(destination);

        const auto events = RunJob(source.string(), destination.string());

        EXPECT_EQ(NamesIn(destination), std::set<std::string>{name});
        EXPECT_EQ(readFile(destination / name), "single");
        EXPECT_EQ(ExpectProgressThenCompletion(events, 1),
                  std::set<std::string>{kStamp + source.string()});
        sink_ = std::make_shared<testing::CollectingSink>();
    }
}

TEST_F(CopyJobTest, DirectoryNamedWithExtensionCopiesIntoTheSamePlaces) {
    writeFile(sandbox() / "my.docs/a.txt", "a");
    writeFile(sandbox() / "my.docs/sub/b.txt", "b");
    const auto events = RunJob(pathOf("my.docs"), pathOf("bk"));
    EXPECT_EQ(readFile(sandbox() / "bk/a.txt"), "a");
    EXPECT_EQ(readFile(sandbox() / "bk/sub/b.txt"), "b");
    EXPECT_EQ(ExpectProgressThenCompletion(events, 2),
              (std::set<std::string>{kStamp + pathOf("my.docs/a.txt"),
                                     kStamp + pathOf("my.docs/sub/b.txt")}));
}

TEST_F(CopyJobTest, ReplacesExistingFilesRefusesReadOnlyOnesAndReportsTheFailure) {
    for (const char* name : {"keep.txt", "locked.txt", "new.txt"})
        writeFile(sandbox() / "src" / name, "new");
    writeFile(sandbox() / "bk/keep.txt", "old");
    writeFile(sandbox() / "bk/locked.txt", "old");
    fs::permissions(sandbox() / "bk/locked.txt", fs::perms::owner_read | fs::perms::group_read);

    const auto events = RunJob(pathOf("src"), pathOf("bk"));

    EXPECT_EQ(readFile(sandbox() / "bk/keep.txt"), "new");
    EXPECT_EQ(readFile(sandbox() / "bk/new.txt"), "new");
    EXPECT_EQ(readFile(sandbox() / "bk/locked.txt"), "old");
    EXPECT_EQ(ExpectProgressThenCompletion(events, 3).size(), 3u);
    ASSERT_EQ(events.size(), 5u);
    const std::string locked = pathOf("src/locked.txt");
    int failures = 0;
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].kind != JobEvent::Kind::Failure)
            continue;
        ++failures;
        EXPECT_EQ(events[i].logLine,
                  kStamp + std::string("复制失败：") + locked + "（Permission denied）");
        ASSERT_GT(i, 0u);
        EXPECT_EQ(events[i - 1].logLine, kStamp + locked);
    }
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(NamesIn(sandbox() / "bk"),
              (std::set<std::string>{"keep.txt", "locked.txt", "new.txt"}));
}

TEST_F(CopyJobTest, LinksInsideTheTreeAreRecreatedNotFollowed) {
    writeFile(sandbox() / "src/f.txt", "f");
    writeFile(sandbox() / "secret.txt", "outside");
    fs::create_directory_symlink(sandbox() / "src", sandbox() / "src/loop");
    fs::create_symlink("../secret.txt", sandbox() / "src/outside");

    const auto events = RunJob(pathOf("src"), pathOf("bk"));

    ExpectProgressThenCompletion(events, 3);
    EXPECT_EQ(fs::read_symlink(sandbox() / "bk/loop"), sandbox() / "src");
    EXPECT_EQ(fs::read_symlink(sandbox() / "bk/outside"), "../secret.txt");
    EXPECT_EQ(readFile(sandbox() / "bk/f.txt"), "f");
}

TEST_F(CopyJobTest, BlankPathsCopyNothingButComplete) {
    writeFile(sandbox() / "src/f.txt", "f");
    const auto events = RunJob(" \t", pathOf("bk"));
    ExpectProgressThenCompletion(events, 0);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_FALSE(fs::exists(sandbox() / "bk"));
}

TEST_F(CopyJobTest, StopAllAbandonsTheFileInProgressAndReportsNothingMore) {
    const fs::path big = sandbox() / "big.bin";
    writeFile(big, "");
    fs::resize_file(big, std::uintmax_t{8} << 30); // sparse: cheap to make, slow to copy
    for (const bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing a copy" : "fresh copy");
        const fs::path destination = sandbox() / (replacing ? "old" : "new");
        fs::create_directory(destination);
        if (replacing)
            writeFile(destination / "big.bin", "old");
        StartJob(big.string(), destination.string());
        ASSERT_TRUE(testing::waitUntil([&] { return WritingInto(destination); }));

        const auto asked = std::chrono::steady_clock::now();
        EXPECT_TRUE(jobs_->StopAll(5s));
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
        EXPECT_EQ(NamesIn(destination),
                  replacing ? std::set<std::string>{"big.bin"} : std::set<std::string>{});
        if (replacing) {
            EXPECT_EQ(readFile(destination / "big.bin"), "old");
        }
        EXPECT_FALSE(WritingInto(destination));
        EXPECT_TRUE(sink_->events().empty());
    }
}

} // namespace
} // namespace kolvane
