#include "engine/CopyJob.h"

#include "EngineTestKit.h"
#include "engine/Paths.h"
#include "platform/Process.h"
#include "support/Sandbox.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <set>
#include <thread>
#include <tuple>

#ifndef _WIN32
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace kolvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kStamp = "2026-03-01 08:00:05：";

// A path named in UTF-8 with "/" between its levels, in the system's own spelling.
fs::path Native(const fs::path& base, const std::string& relative) {
    return (base / testing::PathOf(relative)).make_preferred();
}

std::string TextOf(const fs::path& path) {
    return testing::Utf8Of(fs::path(path).make_preferred());
}

// The failure line of a file or directory, with the reason left out where it is the system's.
std::string FailureLine(const fs::path& path, const std::string& reason) {
    return kStamp + "复制失败：" + TextOf(path) + "（" + reason + "）";
}

class CopyJobTest : public testing::SandboxedTest {
protected:
    void StartJob(const std::string& source, const std::string& destination) {
        auto* job = new TcopyFile("备份", jobs_, std::make_shared<testing::FakeClock>());
        job->onProgress = events_;
        job->SetPaths(source, destination);
    }
    void StartJob(const std::string& source, const fs::path& destination) {
        StartJob(source, TextOf(destination));
    }

    // Runs a job of `total` entries and checks that every entry was reported in order, then the
    // completion line last. Returns each entry's progress line, with its failure line if any;
    // failures met while listing come first, each on its own.
    std::set<std::string> RunJob(const std::string& from, const fs::path& to, int total) {
        return RunJob(from, TextOf(to), total);
    }
    std::set<std::string> RunJob(const std::string& from, const std::string& to, int total) {
        StartJob(from, to);
        EXPECT_TRUE(jobs_->WaitIdle(20s));
        const std::vector<JobEvent> events = events_->Drain();
        EXPECT_EQ(wakes_.exchange(0), 1); // one wake for the whole batch
        std::vector<std::string> entries;
        int index = 0, failures = 0;
        for (const JobEvent& event : events) {
            if (event.kind == JobEvent::Kind::Failure) {
                (index == 0 ? entries.emplace_back() : entries.back()) += "\n" + event.logLine;
                ++failures;
            }
            if (event.kind != JobEvent::Kind::Progress)
                continue;
            entries.push_back(event.logLine);
            EXPECT_EQ(std::tie(event.index, event.total, event.jobName),
                      std::tuple(++index, total, "备份"));
        }
        EXPECT_EQ(index, total);
        EXPECT_EQ(events.empty() ? "" : events.back().logLine, kStamp + "任务\"备份\"执行完毕");
        EXPECT_EQ(events.empty() ? -1 : events.back().failures, failures);
        return {entries.begin(), entries.end()};
    }

    static std::set<std::string> NamesIn(const fs::path& directory) {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(directory)) {
            const std::u8string relative =
                entry.path().lexically_relative(directory).generic_u8string();
            names.insert(std::string(relative.begin(), relative.end()));
        }
        return names;
    }

    std::shared_ptr<JobRegistry> jobs_ = std::make_shared<JobRegistry>();
    std::atomic<int> wakes_{0};
    std::shared_ptr<JobEventQueue> events_ = std::make_shared<JobEventQueue>([this] { ++wakes_; });
};

TEST_F(CopyJobTest, CopiesTreeReplacingFilesAndReportingRefusedOnes) {
    // A directory whose name has an extension and ends in characters outside ASCII.
    const fs::path source = Native(sandbox(), "my docs.文档"), backup = Native(sandbox(), "备份");
    std::vector<std::string> files = {"a.txt", ".profile", "locked.txt", "sub/deeper/c;d.txt",
                                      "sub/noext"};
#ifdef _WIN32
    // Windows refuses to replace a hidden file as it refuses a read-only one.
    files.push_back("hidden.txt");
    writeFile(backup / "hidden.txt", "old");
    testing::SetHidden(backup / "hidden.txt");
#endif
    for (const std::string& name : files)
        writeFile(Native(source, name), "new " + name);
    writeFile(backup / "a.txt", "old");
    writeFile(backup / "locked.txt", "old");
    fs::permissions(backup / "locked.txt", fs::perms{0440});
    fs::permissions(source / "a.txt", fs::perms{0640});
    const auto lastWrite = fs::last_write_time(source / "a.txt") - 240h;
    fs::last_write_time(source / "a.txt", lastWrite);

    const auto line = [&](const std::string& name) {
        return kStamp + TextOf(Native(source, name));
    };
    std::set<std::string> expected;
    std::set<std::string> names{"sub", "sub/deeper"};
    for (const std::string& name : files) {
        const std::string refusal = name == "locked.txt"   ? "目标文件只读"
                                    : name == "hidden.txt" ? "权限不足"
                                                           : "";
        expected.insert(line(name) +
                        (refusal.empty() ? "" : "\n" + FailureLine(Native(source, name), refusal)));
        names.insert(name);
    }
    // Blanks and control characters around the paths are no part of them.
    EXPECT_EQ(RunJob(" " + TextOf(source) + "\r\n", TextOf(backup) + "\t",
                     static_cast<int>(files.size())),
              expected);
    EXPECT_EQ(NamesIn(backup), names);
    for (const std::string& name : files)
        EXPECT_EQ(readFile(Native(backup, name)),
                  name == "locked.txt" || name == "hidden.txt" ? "old" : "new " + name);
    EXPECT_EQ(fs::status(backup / "a.txt").permissions(),
              fs::status(source / "a.txt").permissions());
    EXPECT_EQ(fs::last_write_time(backup / "a.txt"), lastWrite);
}

TEST_F(CopyJobTest, CopyOntoAnExistingOneEndsWithTheSourceWhateverTheyShare) {
    const fs::path source = sandbox() / "work", backup = sandbox() / "bk";
    // Sizes around the reading chunks, so that differences near the end are compared too.
    const std::string small = "content", whole(256 << 10, 'x'), longer((300 << 10) + 1, 'y');
    const std::map<std::string, std::pair<std::string, std::string>> files = {
        {"same", {small, small}},         {"same chunks", {whole, whole}},
        {"last byte", {longer, longer}},  {"first byte", {small, small}},
        {"size", {small, small + small}}, {"mode", {small, small}},
        {"time", {small, small}}};
    const auto lastWrite = fs::file_time_type::clock::now() - 48h;
    for (const auto& [name, contents] : files) {
        writeFile(source / name, contents.first);
        std::string held = contents.second;
        if (name == "last byte")
            held.back() = 'z';
        if (name == "first byte")
            held.front() = 'C';
        writeFile(backup / name, held);
        fs::permissions(source / name, fs::perms{0640});
        fs::permissions(backup / name, fs::perms{name == "mode" ? 0600u : 0640u});
        fs::last_write_time(source / name, lastWrite);
        fs::last_write_time(backup / name, name == "time" ? lastWrite - 1s : lastWrite);
    }
#ifndef _WIN32
    const auto inode = [](const fs::path& path) {
        struct stat status {};
        return ::stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
    };
    const auto unwritten = inode(backup / "same");
#endif
    RunJob(TextOf(source), backup, static_cast<int>(files.size()));
    for (const auto& [name, contents] : files) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(readFile(backup / name) == contents.first);
        EXPECT_EQ(fs::status(backup / name).permissions(), fs::status(source / name).permissions());
        // The source's time as its file system keeps it: Windows keeps tenths of microseconds.
        EXPECT_EQ(fs::last_write_time(backup / name), fs::last_write_time(source / name));
    }
#ifndef _WIN32
    // A copy that already holds everything the source would give it is not written again.
    EXPECT_EQ(inode(backup / "same"), unwritten);
#endif
    EXPECT_EQ(NamesIn(backup), NamesIn(source));
}

#ifndef _WIN32
// A default ACL that gives the owner everything, the group reading and searching and others
// nothing, whatever mode a file is made with.
bool SetDefaultAcl(const fs::path& directory) {
    struct Entry {
        std::uint16_t tag, permissions;
        std::uint32_t id;
    };
    constexpr std::uint32_t kAnyone = ~0u;
    const struct {
        std::uint32_t version = 2;
        Entry entries[3] = {{0x01, 7, kAnyone}, {0x04, 5, kAnyone}, {0x20, 0, kAnyone}};
    } acl;
    return ::setxattr(directory.c_str(), "system.posix_acl_default", &acl, sizeof acl, 0) == 0;
}

// New copies are made with the source's bits where nothing would take any away; the umask and
// a default ACL of the destination would.
TEST_F(CopyJobTest, NewCopiesHaveTheSourcesPermissionBitsWhateverTheUmaskOrADefaultAclTakes) {
    const fs::path source = sandbox() / "work";
    const std::vector<unsigned> modes = {0600, 0644, 0640, 0755, 0444, 0666, 0777, 0707};
    for (const unsigned mode : modes) {
        for (const char* directory : {"", "sub/"}) {
            const fs::path file = source / (std::string(directory) + std::to_string(mode));
            writeFile(file, "bits");
            fs::permissions(file, fs::perms{mode});
        }
    }
    const int total = static_cast<int>(modes.size() * 2);
    const fs::path plain = sandbox() / "bk", withAcl = sandbox() / "bk-acl";
    RunJob(TextOf(source), plain, total);
    fs::create_directories(withAcl);
    const bool aclSet = SetDefaultAcl(withAcl);
    if (aclSet)
        RunJob(TextOf(source), withAcl, total);
    for (const fs::path& backup : {plain, withAcl}) {
        if (backup == withAcl && !aclSet)
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(source)) {
            const fs::path copy = backup / entry.path().lexically_relative(source);
            SCOPED_TRACE(copy);
            if (entry.is_regular_file()) {
                EXPECT_EQ(fs::status(copy).permissions(), entry.status().permissions());
            }
        }
    }
    if (!aclSet)
        GTEST_SKIP() << "this file system takes no default ACL";
}
#endif

TEST_F(CopyJobTest, LinksInsideTheTreeAreRecreatedNotFollowed) {
    const fs::path source = sandbox() / "work", backup = sandbox() / "bk";
    writeFile(Native(source, "sub/kept.txt"), "kept");
    if (!testing::MakeDirectoryLink(source, Native(source, "sub/loop")) ||
        !testing::MakeFileLink(Native(fs::path(".."), "secret.txt"), source / "outside"))
        GTEST_SKIP() << "this system does not let the test make links";
    EXPECT_EQ(RunJob(TextOf(source), backup, 3),
              (std::set<std::string>{kStamp + TextOf(Native(source, "sub/kept.txt")),
                                     kStamp + TextOf(Native(source, "sub/loop")),
                                     kStamp + TextOf(source / "outside")}));
    EXPECT_EQ(NamesIn(backup),
              (std::set<std::string>{"outside", "sub", "sub/kept.txt", "sub/loop"}));
    EXPECT_EQ(fs::read_symlink(Native(backup, "sub/loop")), source);
    EXPECT_EQ(fs::read_symlink(backup / "outside"), Native(fs::path(".."), "secret.txt"));
}

TEST_F(CopyJobTest, DestinationDirectoryThatIsALinkIsReplacedNotWrittenThrough) {
    // An earlier run recreated a link of the source, which is a real directory now.
    const fs::path source = sandbox() / "work", backup = sandbox() / "bk",
                   outside = sandbox() / "u";
    writeFile(Native(source, "top/shared/x"), "new");
    writeFile(Native(source, "top/shared/new/y"), "new");
    writeFile(outside / "x", "precious");
    fs::create_directories(backup / "top");
    if (!testing::MakeDirectoryLink(outside, Native(backup, "top/shared")))
        GTEST_SKIP() << "this system does not let the test make links";
    RunJob(TextOf(source), backup, 2);
    EXPECT_EQ(NamesIn(outside), std::set<std::string>{"x"});
    EXPECT_EQ(readFile(outside / "x"), "precious");
    EXPECT_EQ(readFile(Native(backup, "top/shared/x")) +
                  readFile(Native(backup, "top/shared/new/y")),
              "newnew");
}

TEST_F(CopyJobTest, SubdirectoryThatCannotBeListedIsReported) {
    const fs::path source = sandbox() / "work";
    writeFile(Native(source, "a/kept"), "");
    writeFile(Native(source, "a/b/c/d/lost"), "");
#ifdef _WIN32
    // Another program holds the subdirectory open without sharing.
    std::set<std::string> entries;
    {
        const testing::HeldOpen holder(Native(source, "a/b/c/d"), testing::HeldOpen::Sharing::None);
        ASSERT_TRUE(holder.held());
        entries = RunJob(TextOf(source), sandbox() / "bk", 1);
    }
#else
    // Room for four descriptors and no more: the listings down to a/b/c, or a copy's two files
    // and their two directories. Root lists a directory of any mode, but not beyond the limit.
    const int lowestFree = ::open("/dev/null", O_RDONLY);
    ::close(lowestFree);
    for (int above = 1; above < 4; ++above)
        ASSERT_EQ(::fcntl(lowestFree + above, F_GETFD), -1);
    rlimit saved{}, low{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    low = {static_cast<rlim_t>(lowestFree + 4), saved.rlim_max};
    ::setrlimit(RLIMIT_NOFILE, &low);
    const std::set<std::string> entries = RunJob(TextOf(source), sandbox() / "bk", 1);
    ::setrlimit(RLIMIT_NOFILE, &saved);
#endif
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(*entries.rbegin(), kStamp + TextOf(Native(source, "a/kept")));
    const std::string failure = *entries.begin(),
                      reasonless = FailureLine(Native(source, "a/b/c/d"), "");
    EXPECT_TRUE(failure.starts_with("\n" + reasonless.substr(0, reasonless.size() - 3)) &&
                failure.ends_with("）") && failure.size() > reasonless.size() + 1)
        << failure;
}

TEST_F(CopyJobTest, NamesOutsideTheAnsiCodePageAreCopied) {
    const std::string name = "日本語ｶﾀｶﾅ😀.txt";
    const fs::path source = Native(sandbox(), "树"), backup = sandbox() / "bk";
    writeFile(Native(source, name), "one");
    writeFile(Native(source, "子/" + name), "two");
    EXPECT_EQ(RunJob(TextOf(source), backup, 2),
              (std::set<std::string>{kStamp + TextOf(Native(source, name)),
                                     kStamp + TextOf(Native(source, "子/" + name))}));
    EXPECT_EQ(readFile(Native(backup, name)) + readFile(Native(backup, "子/" + name)), "onetwo");
}

#ifndef _WIN32
// Root may write into a read-only directory, but not into an immutable one.
class ImmutableDirectory {
public:
    explicit ImmutableDirectory(const fs::path& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        set_ = fd_ >= 0 && SetFlag(true);
    }
    ~ImmutableDirectory() {
        if (set_)
            SetFlag(false);
        if (fd_ >= 0)
            ::close(fd_);
    }
    explicit operator bool() const { return set_; }

private:
    bool SetFlag(bool on) {
        int flags = 0;
        if (::ioctl(fd_, FS_IOC_GETFLAGS, &flags) != 0)
            return false;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        return ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
    }
    int fd_;
    bool set_ = false;
};
#endif

TEST_F(CopyJobTest, FailuresNameTheirRealCauseInChineseWhereItIsACommonOne) {
    const fs::path source = sandbox() / "a.txt";
    writeFile(source, "a");
    const std::string failed = kStamp + "复制失败：";
    const std::string copied = kStamp + TextOf(source) + "\n" + failed + TextOf(source);
    {
        SCOPED_TRACE("a source that does not exist");
        const std::string missing = pathOf("missing.txt");
        EXPECT_EQ(RunJob(" " + missing, sandbox() / "bk", 0),
                  std::set<std::string>{"\n" + failed + missing + "（找不到文件）"});
    }
    {
        SCOPED_TRACE("a destination whose name is too long");
        EXPECT_EQ(RunJob(TextOf(source), sandbox() / std::string(300, 'x'), 1),
                  std::set<std::string>{copied + "（文件名过长）"});
    }
#ifndef _WIN32
    // Windows denies access by access-control lists, which wine does not keep; the refusal of a
    // hidden destination file shows this reason there.
    {
        SCOPED_TRACE("a time-named sub-directory that a read-only destination cannot hold");
        const fs::path backup = sandbox() / "ro";
        fs::create_directory(backup);
        const ImmutableDirectory readOnly(backup);
        if (!readOnly)
            GTEST_SKIP() << "this file system cannot make a directory immutable";
        EXPECT_EQ(RunJob(TextOf(source), backup / "20260301-080005", 1),
                  std::set<std::string>{copied + "（权限不足）"});
    }
#endif
}

TEST_F(CopyJobTest, StaleTemporariesOfDeadOwnersGoFromTheDirectoriesVisitedAndNothingElse) {
    const fs::path source = sandbox() / "work", backup = sandbox() / "bk";
    writeFile(source / "a.txt", "a");
    writeFile(source / "sub/b.txt", "b");
    const std::string dead = ".kolvane-" + std::to_string(testing::DeadProcessId()) + "-";
    const std::string stale = dead + "abcdefghij.tmp";
    const std::string kept[] = {
        ".kolvane-" + std::to_string(platform::CurrentProcessId()) + "-abcdefghij.tmp", // it runs
        dead + "abcdefghi.tmp", // look-alikes
        dead + "abcdefghijk.tmp",
#ifndef _WIN32 // where names that differ in letter case only are one name
        dead + "ABCDEFGHIJ.tmp",
#endif
        stale + ".bak",
        stale.substr(1),
        ".kolvane-abcdefghij.tmp",
        "elsewhere/" + stale, // in a directory the job does not visit
    };
    for (const std::string& name : kept)
        writeFile(backup / name, "kept");
    writeFile(backup / stale, "stale");
    writeFile(backup / "sub" / stale, "stale");
    const bool linked = testing::MakeFileLink("a.txt", backup / (dead + "0123456789.tmp"));
    fs::create_directories(backup / (dead + "directory1.tmp"));

    RunJob(TextOf(source), backup, 2);
    std::set<std::string> expected(std::begin(kept), std::end(kept));
    if (!linked)
        std::cout << "this system does not let the test make links: a stale link is not tried\n";
    expected.insert({"a.txt", "sub", "sub/b.txt", "elsewhere", dead + "directory1.tmp"});
    EXPECT_EQ(NamesIn(backup), expected);
}

TEST_F(CopyJobTest, ExistingFileIsCopiedAloneWithOrWithoutExtension) {
    for (const std::string name : {"report.txt", "report"}) {
        const fs::path source = sandbox() / name / "data" / name, backup = sandbox() / name / "bk";
        writeFile(source, "single");
        writeFile(source.parent_path() / "other.txt", "not copied");
        fs::create_directories(backup);
        EXPECT_EQ(RunJob(TextOf(source), backup, 1),
                  std::set<std::string>{kStamp + TextOf(source)});
        EXPECT_EQ(NamesIn(backup), std::set<std::string>{name});
        EXPECT_EQ(readFile(backup / name), "single");
    }
}

TEST_F(CopyJobTest, BlankSourceCopiesNothingButCompletes) {
    EXPECT_EQ(RunJob(" \t", sandbox() / "bk", 0), std::set<std::string>{});
    EXPECT_FALSE(fs::exists(sandbox() / "bk"));
}

TEST_F(CopyJobTest, StopAllAbandonsTheFileInProgressAndReportsNothingMore) {
    const fs::path big = sandbox() / "big.bin";
    writeFile(big, "");
    fs::resize_file(big, std::uintmax_t{8} << 30); // sparse: cheap to make, slow to copy
    for (const bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing a copy" : "fresh copy");
        const fs::path backup = sandbox() / (replacing ? "old" : "new");
        fs::create_directory(backup);
        if (replacing)
            writeFile(backup / "big.bin", "old");
        StartJob(TextOf(big), backup);
        ASSERT_TRUE(testing::waitUntil([&] { return testing::WritingInto(backup); }));
        // A temporary carries its owner, so that a later run can tell a crashed job's one.
        const std::string ownTemporary =
            ".kolvane-" + std::to_string(platform::CurrentProcessId()) + "-";
        for (const std::string& name : NamesIn(backup))
            EXPECT_TRUE(name == "big.bin" || name.starts_with(ownTemporary)) << name;
        // A kill at this point would leave no partial file under the destination's name.
        EXPECT_TRUE(replacing ? readFile(backup / "big.bin") == "old"
                              : !fs::exists(backup / "big.bin"));

        const auto asked = std::chrono::steady_clock::now();
        EXPECT_TRUE(jobs_->StopAll(5s));
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
        EXPECT_EQ(NamesIn(backup).size(), replacing ? 1u : 0u);
        EXPECT_EQ(replacing ? readFile(backup / "big.bin") : "old", "old");
        EXPECT_FALSE(testing::WritingInto(backup));
        EXPECT_TRUE(events_->Drain().empty());
    }
}

// The order the job lists a tree in: depth first, each directory's names as the system gives them.
void ListInJobOrder(const fs::path& directory, std::vector<fs::path>& files) {
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (entry.is_directory() && !entry.is_symlink())
            ListInJobOrder(entry.path(), files);
        else
            files.push_back(entry.path());
    }
}

std::vector<std::string> ProgressLines(const std::vector<JobEvent>& events) {
    std::vector<std::string> lines;
    for (const JobEvent& event : events)
        if (event.kind == JobEvent::Kind::Progress)
            lines.push_back(event.logLine);
    return lines;
}

// The progress lines of a job that copies `files` in this order.
std::vector<std::string> ProgressLinesFor(const std::vector<fs::path>& files) {
    std::vector<std::string> lines;
    for (const fs::path& file : files)
        lines.push_back(kStamp + TextOf(file));
    return lines;
}

// Files of many sizes in nested directories, so that copies overlapping on several workers end
// in another order than the one they were handed out in.
std::vector<fs::path> MakeMixedTree(const fs::path& root, int files) {
    for (int i = 0; i < files; ++i) {
        const std::size_t size = i % 97 == 0 ? (std::size_t{1} << 20) + i : std::size_t(i % 300);
        std::string content(size, static_cast<char>('a' + i % 26));
        content.replace(0, std::min(content.size(), std::size_t{8}), std::to_string(i));
        const fs::path directory =
            root / ("d" + std::to_string(i % 7)) / ("e" + std::to_string(i % 3));
        fs::create_directories(directory);
        std::ofstream(directory / ("f" + std::to_string(i)), std::ios::binary) << content;
    }
    std::vector<fs::path> ordered;
    ListInJobOrder(root, ordered);
    return ordered;
}

TEST_F(CopyJobTest, WorkersCopyingATreeReportEveryFileInListOrderWithTheFinalTotal) {
    const fs::path source = sandbox() / "work", backup = sandbox() / "bk";
    const std::vector<fs::path> files = MakeMixedTree(source, 3000);
    RunJob(TextOf(source), backup, 3000);
    // RunJob drained the events; the order is checked on a second run onto the copy.
    StartJob(TextOf(source), TextOf(backup));
    ASSERT_TRUE(jobs_->WaitIdle(20s));
    const std::vector<std::string> reported = ProgressLines(events_->Drain()),
                                   expected = ProgressLinesFor(files);
    EXPECT_TRUE(reported == expected) << reported.size() << " reports";
    for (const fs::path& file : files)
        ASSERT_EQ(readFile(backup / file.lexically_relative(source)), readFile(file)) << file;
}

// A directory of more entries than are read at once, with subdirectories among them; a chain
// deeper than the directories read ahead; many small directories side by side.
std::vector<fs::path> MakeTreeOfManyDirectories(const fs::path& root) {
    const auto emptyFile = [](const fs::path& file) {
        fs::create_directories(file.parent_path());
        std::ofstream{file};
    };
    for (int i = 0; i < 1100; ++i) {
        const fs::path wide = root / "wide";
        if (i % 50 == 7)
            emptyFile(wide / ("sub" + std::to_string(i)) / "inner" / "f");
        else
            emptyFile(wide / ("f" + std::to_string(i)));
    }
    fs::path deep = root / "deep";
    for (int level = 0; level < 12; ++level, deep /= "next")
        emptyFile(deep / ("f" + std::to_string(level)));
    for (int i = 0; i < 60; ++i)
        emptyFile(root / "side" / ("d" + std::to_string(i)) / "f");
    std::vector<fs::path> ordered;
    ListInJobOrder(root, ordered);
    return ordered;
}

TEST_F(CopyJobTest, DirectoriesReadAheadKeepTheWalksOrder) {
    const fs::path source = sandbox() / "work", backup = sandbox() / "bk";
    const std::vector<fs::path> files = MakeTreeOfManyDirectories(source);
    StartJob(TextOf(source), backup);
    ASSERT_TRUE(jobs_->WaitIdle(20s));
    const std::vector<std::string> reported = ProgressLines(events_->Drain()),
                                   expected = ProgressLinesFor(files);
    EXPECT_TRUE(reported == expected) << reported.size() << " reports of " << expected.size();
}

TEST_F(CopyJobTest, StopWhileDirectoriesAreReadAheadEndsAtOnce) {
    const fs::path source = sandbox() / "work";
    MakeTreeOfManyDirectories(source);
    for (int attempt = 0; attempt < 5; ++attempt) {
        StartJob(TextOf(source), sandbox() / ("bk" + std::to_string(attempt)));
        EXPECT_TRUE(jobs_->StopAll(1s));
    }
    events_->Drain();
}

TEST_F(CopyJobTest, FailureLineFollowsTheProgressLineOfItsOwnFileWhileOthersAreInFlight) {
    const fs::path source = sandbox() / "work", backup = sandbox() / "bk";
    const std::vector<fs::path> files = MakeMixedTree(source, 2000);
    std::set<std::string> refused;
    for (std::size_t i = 0; i < files.size(); i += 37) {
        const fs::path locked = backup / files[i].lexically_relative(source);
        writeFile(locked, "old");
        fs::permissions(locked, fs::perms{0444});
        refused.insert(TextOf(files[i]));
    }
    StartJob(TextOf(source), TextOf(backup));
    ASSERT_TRUE(jobs_->WaitIdle(20s));
    const std::vector<JobEvent> events = events_->Drain();
    std::set<std::string> failed;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (events[i].kind != JobEvent::Kind::Failure)
            continue;
        ASSERT_GT(i, 0u);
        const std::string file = events[i - 1].logLine.substr(kStamp.size());
        EXPECT_EQ(events[i - 1].kind, JobEvent::Kind::Progress);
        EXPECT_EQ(events[i].logLine, FailureLine(testing::PathOf(file), "目标文件只读"));
        failed.insert(file);
    }
    EXPECT_EQ(failed, refused);
}

#ifndef _WIN32
// Large sparse files take long to copy, so several are in flight when the stop comes.
TEST_F(CopyJobTest, StopWithSeveralCopiesInFlightLeavesNoPartialFileAndNoTemporary) {
    const fs::path source = sandbox() / "work";
    for (int i = 0; i < 6; ++i) {
        writeFile(source / ("big" + std::to_string(i)), "");
        fs::resize_file(source / ("big" + std::to_string(i)), std::uintmax_t{4} << 30);
    }
    const auto openInto = [](const fs::path& directory) {
        int count = 0;
        for (const auto& descriptor : fs::directory_iterator("/proc/self/fd")) {
            std::error_code gone;
            count += fs::read_symlink(descriptor.path(), gone).parent_path() == directory;
        }
        return count;
    };
    for (const bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing copies" : "fresh copies");
        const fs::path backup = sandbox() / (replacing ? "old" : "new");
        fs::create_directory(backup);
        for (int i = 0; replacing && i < 6; ++i)
            writeFile(backup / ("big" + std::to_string(i)), "old");
        StartJob(TextOf(source), TextOf(backup));
        ASSERT_TRUE(testing::waitUntil([&] { return openInto(backup) >= 2; }));
        const auto asked = std::chrono::steady_clock::now();
        EXPECT_TRUE(jobs_->StopAll(5s));
        EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
        EXPECT_EQ(openInto(backup), 0);
        std::set<std::string> expected;
        for (int i = 0; replacing && i < 6; ++i)
            expected.insert("big" + std::to_string(i));
        EXPECT_EQ(NamesIn(backup), expected);
        for (const std::string& name : expected)
            EXPECT_EQ(readFile(backup / name), "old") << name;
        events_->Drain();
    }
}
#endif

TEST_F(CopyJobTest, TwoJobsOfTheSameTaskAtOnceEndWithWholeFilesAndNoTemporary) {
    const fs::path source = sandbox() / "work", backup = sandbox() / "bk";
    const std::vector<fs::path> files = MakeMixedTree(source, 1500);
    // Half the tree is there from an earlier run, half is new to both jobs.
    for (std::size_t i = 0; i < files.size(); i += 2)
        writeFile(backup / files[i].lexically_relative(source), "older");
    StartJob(TextOf(source), TextOf(backup));
    StartJob(TextOf(source), TextOf(backup));
    ASSERT_TRUE(jobs_->WaitIdle(30s));
    int progress = 0, failures = 0;
    for (const JobEvent& event : events_->Drain()) {
        progress += event.kind == JobEvent::Kind::Progress;
        failures += event.kind == JobEvent::Kind::Failure;
    }
    EXPECT_EQ(progress, 2 * 1500);
#ifdef _WIN32
    // A file the other job holds open cannot be replaced there: that copy fails, the other's
    // stays whole.
    EXPECT_LT(failures, 1500);
#else
    EXPECT_EQ(failures, 0);
#endif
    for (const fs::path& file : files)
        ASSERT_EQ(readFile(backup / file.lexically_relative(source)), readFile(file)) << file;
    EXPECT_EQ(NamesIn(backup), NamesIn(source));
}

TEST(JobEventQueueTest, FullQueueHoldsThePosterBackUntilDrainedOrClosed) {
    constexpr int kDrained = 100;
    std::atomic<int> wakes{0};
    JobEventQueue queue([&] { ++wakes; }, 1);
    std::thread poster([&] {
        for (int i = 1; i <= kDrained + 2; ++i)
            queue.Post(JobEvent{JobEvent::Kind::Progress, "job", "", 0, i});
    });
    for (int i = 1; i <= kDrained && testing::waitUntil([&] { return wakes >= i; }); ++i) {
        const std::vector<JobEvent> batch = queue.Drain();
        EXPECT_TRUE(batch.size() == 1 && batch[0].index == i) << batch.size() << " events";
    }
    // One more event waits in the queue and the last one is held back until Close drops both.
    EXPECT_TRUE(testing::waitUntil([&] { return wakes > kDrained; }));
    queue.Close();
    poster.join();
    queue.Post(JobEvent{});
    EXPECT_TRUE(queue.Drain().empty());
    EXPECT_EQ(wakes, kDrained + 1);
}

} // namespace
} // namespace kolvane
