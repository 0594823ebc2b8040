// The program on a small file system of the test's own that is full or read-only: the settings
// file lies on it, and so does the destination of the job that must fail file after file.
#include "ProgramTestKit.h"
#include "support/PrivateNamespace.h"

#include <fstream>
#include <gtest/gtest.h>

namespace kolvane::testing {
namespace {

constexpr int kThree = 3 * 3600; // every task of these tests is due at 03:00:00
const std::string kStamp = "2026-03-01 03:00:00：";

std::string Task(const std::string& name, const std::string& source, const std::string& dest) {
    return "[" + name + "]\ntaskName=" + name + "\ntaskSource=" + source + "\ntaskDest=" + dest +
           "\ntaskDD=03:00:00\n";
}

long CountOf(const std::vector<std::string>& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

// Writes a file until the file system holds no free block; returns whether it ended full.
bool FillUp(const std::string& directory) {
    std::ofstream filler(directory + "/filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), block.size()).flush()) {
    }
    return std::filesystem::space(directory).available == 0;
}

class FullFileSystem : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        small_ = pathOf("small");
        std::filesystem::create_directories(small_);
        std::string refused = EnterPrivateMounts();
        if (refused.empty())
            refused = MountTmpfs(small_, "size=128k");
        if (!refused.empty())
            GTEST_SKIP() << "mounting a small file system is not allowed here (" << refused
                         << "); run the test as root on Linux to check the program on a full disk";
        mounted_ = true;
    }

    void TearDown() override {
        // The jobs end before the file system they write to goes away.
        program.reset();
        if (mounted_)
            Unmount(small_);
        ProgramTest::TearDown();
    }

    std::string onSmall(const std::string& relative) const { return small_ + "/" + relative; }
    std::string settingsOnSmall() const { return onSmall("defaultSet.ini"); }

    // The program with its settings file on the small file system, which is then filled up;
    // the tick of 03:00:00 follows.
    void StartFullAndTick(const std::string& content) {
        std::filesystem::create_directories(onSmall("backup"));
        writeFile(settingsOnSmall(), content);
        ASSERT_TRUE(FillUp(small_));
        StartOnSettingsAndTick();
    }

    void StartOnSettingsAndTick() {
        clock->secondOfDay = kThree - 1;
        program = std::make_unique<program::MainProgram>(
            settingsOnSmall(), program::FrontEnd{view, boxes, timer, events, clock, "Kolvane"});
        clock->secondOfDay = kThree;
        timer.Fire();
    }

    bool DeliverUntilCompleted(int jobs) {
        return DeliverUntil([&] {
            return std::count_if(view.log.begin(), view.log.end(), [](const std::string& line) {
                       return line.ends_with("执行完毕");
                   }) >= jobs;
        });
    }

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> texts;
        for (const auto& box : boxes.shown)
            texts.push_back(box.text);
        return texts;
    }

    // Three tasks due in one second copy their sources although no run count can be written,
    // and each failed write gets its box.
    void ExpectThreeTasksCopyAndEachErrorIsReported() {
        EXPECT_TRUE(DeliverUntilCompleted(3));
        const std::string unwritable = "Unable to write to " + settingsOnSmall() + ".";
        EXPECT_EQ(BoxTexts(), std::vector<std::string>(3, unwritable));
        for (int row = 0; row < 3; ++row) {
            const std::string name = cell(row, kNameCell);
            SCOPED_TRACE(name);
            EXPECT_EQ(readFile(sandbox() / ("backup-" + name) / "file.txt"), name);
            EXPECT_EQ(cell(row, kRunCountCell), "1");
            EXPECT_EQ(CountOf(view.log, kStamp + "任务\"" + name + "\"执行完毕"), 1);
        }
    }

    std::string ThreeTasks() {
        std::string content;
        for (const std::string name : {"first", "second", "third"}) {
            writeFile(sandbox() / ("source-" + name) / "file.txt", name);
            content += Task(name, pathOf("source-" + name), pathOf("backup-" + name));
        }
        return content;
    }

    std::string small_;

private:
    bool mounted_ = false;
};

TEST_F(FullFileSystem, ThreeTasksDueInOneSecondAllCopyAndEachUnwrittenCountIsReported) {
    const std::string content = ThreeTasks();
    StartFullAndTick(content);
    ExpectThreeTasksCopyAndEachErrorIsReported();
    EXPECT_EQ(readFile(settingsOnSmall()), content);
}

TEST_F(FullFileSystem, ThreeTasksDueInOneSecondAllCopyWithTheSettingsOnAReadOnlyFileSystem) {
    const std::string content = ThreeTasks();
    writeFile(settingsOnSmall(), content);
    ASSERT_EQ(RemountReadOnly(small_), "");
    StartOnSettingsAndTick();
    ExpectThreeTasksCopyAndEachErrorIsReported();
    EXPECT_EQ(readFile(settingsOnSmall()), content);
}

TEST_F(FullFileSystem, AMissingSourceGetsAFailureLineBeforeItsCompletion) {
    const std::string missing = pathOf("gone");
    StartFullAndTick(Task("gone", missing, pathOf("backup")));

    ASSERT_TRUE(DeliverUntilCompleted(1));
    EXPECT_EQ(view.log,
              (std::vector<std::string>{kStamp + "复制失败：" + missing + "（找不到文件）",
                                        kStamp + "任务\"gone\"执行完毕"}));
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(cell(0, kRunCountCell), "1");
}

// Every copy onto the full disk fails, so the job's lines take the pane past its limit and the
// completion empties it.
TEST_F(FullFileSystem, AJobWithMoreFailuresThanThePaneHoldsKeepsItsFailureCountInThePane) {
    constexpr int files = 2100;
    static_assert(2 * files > program::LogPane::kLogLineLimit);
    for (int i = 0; i < files; ++i)
        writeFile(sandbox() / "many" / ("f" + std::to_string(i)), "x");
    StartFullAndTick(Task("many", pathOf("many"), onSmall("backup")));

    const std::string summary = kStamp + "任务\"many\"有 2100 个文件复制失败";
    ASSERT_TRUE(DeliverUntil([&] { return cell(0, kProgressCell) == "2100 / 2100"; }));
    // Until the completion empties it, the pane holds every progress and failure line.
    ASSERT_TRUE(DeliverUntil([&] { return view.log.size() <= 1; }));
    EXPECT_EQ(view.log, std::vector<std::string>{summary});
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(onSmall("backup")));
}

} // namespace
} // namespace kolvane::testing
