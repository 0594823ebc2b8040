#include "EngineTestKit.h"
#include "engine/CopyJob.h"
#include "support/CrashTrial.h"
#include "support/Sandbox.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <string>

namespace kolvane {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Relative name, then the sizes of its two versions: empty, tiny, page-sized and large files, so
// that kills land before, inside and after copies of every length.
struct TreeFile {
    const char* name;
    std::size_t sizes[2];
};
constexpr TreeFile kTree[] = {
    {"empty.txt", {0, 7}},
    {"a.txt", {1, 0}},
    {"notes.md", {100, 4096}},
    {"sub/page.bin", {4096, 65537}},
    {"sub/deeper/big.dat", {3 << 20, (1 << 20) + 3}},
    {"sub/deeper/medium.dat", {65536, 1 << 20}},
    {"sub/deeper/small", {10, 11}},
    {"sub/other/large.iso", {(2 << 20) + 1, 4 << 20}},
    {"z.log", {300000, 200000}},
};

constexpr int kKilledTrials = 50;

// Reports each entry the job attempts to the parent of the child it runs in.
template <typename Report> class ReportingSink final : public JobEventSink {
public:
    explicit ReportingSink(Report report) : report_(report) {}
    void Post(JobEvent event) override {
        if (event.kind == JobEvent::Kind::Progress)
            report_(static_cast<std::uint32_t>(event.index));
    }

private:
    Report report_;
};

// A copy job killed at any moment while it replaces a tree leaves every destination file whole,
// with its old or its new content, and the next run leaves nothing but the copies behind.
class CopyJobCrashTest : public testing::SandboxedTest {
protected:
    // Two versions of the tree, different in every file's content and in most sizes.
    void SetUp() override {
        testing::SandboxedTest::SetUp();
        for (int version = 0; version < 2; ++version) {
            for (std::size_t file = 0; file < std::size(kTree); ++file) {
                std::string content(kTree[file].sizes[version], '\0');
                for (std::size_t i = 0; i < content.size(); ++i)
                    content[i] = static_cast<char>((i * 131 + file * 17 + version * 101) % 251);
                writeFile(Source(version) / kTree[file].name, content);
                contents_[version][kTree[file].name] = content;
            }
        }
    }

    fs::path Source(int version) const { return sandbox() / (version == 0 ? "old" : "new"); }
    fs::path Destination() const { return sandbox() / "backup"; }

    // The job as the task run starts it; returns whether it ended in time.
    static bool CopyTree(const fs::path& source, const fs::path& destination,
                         std::shared_ptr<JobEventSink> sink) {
        const auto jobs = std::make_shared<JobRegistry>();
        auto* job = new TcopyFile("备份", jobs, std::make_shared<testing::FakeClock>());
        job->onProgress = std::move(sink);
        job->SetPaths(source.string(), destination.string());
        return jobs->WaitIdle(20s);
    }

    // Replaces the destination with one version in a child, which reports as it goes.
    auto ReplacingChild(int version) const {
        return [this, version](auto report) {
            report(0);
            const bool done = CopyTree(Source(version), Destination(),
                                       std::make_shared<ReportingSink<decltype(report)>>(report));
            return done ? 0 : 4;
        };
    }

    std::map<std::string, std::string> DestinationContents() const {
        std::map<std::string, std::string> found;
        for (const TreeFile& file : kTree) {
            const fs::path path = Destination() / file.name;
            found[file.name] = fs::is_regular_file(path) ? readFile(path) : "(missing)";
        }
        return found;
    }

    // Which version each destination file holds, for messages: the contents are megabytes long.
    std::string Versions(const std::map<std::string, std::string>& found) const {
        std::string versions;
        for (const auto& [name, content] : found) {
            const bool old = content == contents_[0].at(name),
                       now = content == contents_[1].at(name);
            versions += name + (old ? ": old\n" : now ? ": new\n" : ": neither\n");
        }
        return versions;
    }

    std::set<std::string> DestinationNames() const {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(Destination()))
            names.insert(entry.path().lexically_relative(Destination()).string());
        return names;
    }

    static std::set<std::string> TreeNames() {
        std::set<std::string> names;
        for (const TreeFile& file : kTree)
            for (fs::path part = file.name; !part.empty(); part = part.parent_path())
                names.insert(part.string());
        return names;
    }

    std::map<std::string, std::string> contents_[2];
};

TEST_F(CopyJobCrashTest, KilledReplacementLeavesOldOrNewFilesAndTheNextRunNoTemporary) {
    ASSERT_TRUE(CopyTree(Source(0), Destination(), nullptr));
    ASSERT_TRUE(DestinationContents() == contents_[0]) << Versions(DestinationContents());
    // The kill moments spread over the time a whole replacement takes here.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(CopyTree(Source(1), Destination(), nullptr));
    const auto replacement = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("kill moments seed " + std::to_string(seed));
    testing::KillMoments moments(replacement + 2ms, seed);
    const auto deadline = std::chrono::steady_clock::now() + 40s;
    int killed = 0, trials = 0;
    std::map<std::string, std::string> before = DestinationContents();
    while (killed < kKilledTrials && std::chrono::steady_clock::now() < deadline) {
        const int version = trials++ % 2;
        const testing::CrashTrialResult result =
            testing::RunAndKill(ReplacingChild(version), moments.Next(), 10s);
        ASSERT_TRUE(result.killed || result.exitCode == 0) << "the job failed: " << result.exitCode;
        killed += result.killed ? 1 : 0;
        const std::map<std::string, std::string> after = DestinationContents();
        for (const auto& [name, content] : after) {
            ASSERT_TRUE(content == before[name] || content == contents_[version].at(name))
                << name << " holds neither its old nor its new content (" << content.size()
                << " bytes) after trial " << trials << ", " << result.reports.size()
                << " reports, killed: " << result.killed;
        }
        before = after;
    }
    EXPECT_GE(killed, kKilledTrials) << "of " << trials << " trials, within the time allowed";

    ASSERT_TRUE(CopyTree(Source(0), Destination(), nullptr));
    EXPECT_TRUE(DestinationContents() == contents_[0]) << Versions(DestinationContents());
    EXPECT_EQ(DestinationNames(), TreeNames())
        << "a temporary was left after " << killed << " kills and a following run";
}

} // namespace
} // namespace kolvane
