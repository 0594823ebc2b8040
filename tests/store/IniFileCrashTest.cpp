#include "CountedTasks.h"
#include "platform/Process.h"
#include "store/IniFile.h"
#include "support/CrashTrial.h"
#include "support/Sandbox.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace kolvane {
namespace {

using namespace std::chrono_literals;

constexpr int kTasks = 300;
constexpr int kTrials = 200 / testing::kCrashTrialShare;

using testing::CountedTaskName;

// A process that is killed while it writes run counts never leaves the settings file torn: after
// each kill the file holds every task, with the counts of the last write that completed or of
// the one under way, and nothing in between.
class IniFileCrashTest : public testing::SandboxedTest {
protected:
    std::string iniPath() const { return pathOf("defaultSet.ini"); }

    void WriteTasks() const {
        TIniFile ini(iniPath());
        for (int task = 0; task < kTasks; ++task) {
            const std::string name = CountedTaskName(task);
            ini.PutEntry(name, "taskName", name);
            ini.PutEntry(name, "taskSource", "/home/me/" + std::to_string(task));
            ini.PutEntry(name, "taskDest", "/mnt/backup");
            ini.PutFlag(name, "taskautoChild", task % 2 == 0);
            ini.PutEntry(name, "taskDD", "08:30:00");
            ini.PutFlag(name, "useDelayM", false);
            ini.PutNumber(name, "delayM", 60);
            ini.PutNumber(name, "runCount", 0);
        }
    }

    // The run counts as a new reader sees them; -1 for a task that is gone.
    std::vector<int> RunCounts() const {
        TIniFile ini(iniPath());
        std::vector<std::string> sections;
        ini.ListSections(sections);
        std::vector<int> counts(kTasks, -1);
        for (int task = 0; task < kTasks; ++task) {
            if (task < static_cast<int>(sections.size()) &&
                sections[task] == CountedTaskName(task) &&
                ini.GetEntry(CountedTaskName(task), "taskName", "") == CountedTaskName(task))
                counts[task] = ini.GetNumber(CountedTaskName(task), "runCount", -1);
        }
        if (sections.size() != kTasks)
            counts.assign(kTasks, -1);
        return counts;
    }

    // The counts after the first `writes` writes of a child that started at `start`.
    static std::vector<int> AfterWrites(const std::vector<int>& start, std::size_t writes) {
        std::vector<int> counts = start;
        for (int task = 0; task < kTasks; ++task)
            counts[task] +=
                static_cast<int>(writes / kTasks + (task < static_cast<int>(writes % kTasks)));
        return counts;
    }
};

TEST_F(IniFileCrashTest, KilledWriterLeavesTheOldOrTheNewCounts) {
    WriteTasks();
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("kill moments seed " + std::to_string(seed));
    testing::KillMoments moments(4000us, seed);

    int killed = 0, tornOrLost = 0;
    std::vector<int> counts = RunCounts();
    for (int trial = 0; trial < kTrials; ++trial) {
        const testing::CrashTrialResult result =
            testing::RunAndKill(testing::HelperProgram("settings_writer"),
                                {iniPath(), "rounds", std::to_string(kTasks)}, moments.Next(), 10s);
        ASSERT_TRUE(result.killed) << "the writer ended by itself with " << result.exitCode;
        ASSERT_FALSE(result.reports.empty()) << "the writer never completed a write";
        ++killed;
        const std::size_t completed = result.reports.size();
        const std::vector<int> now = RunCounts();
        if (now != AfterWrites(counts, completed) && now != AfterWrites(counts, completed + 1))
            ++tornOrLost;
        counts = now;
    }
    EXPECT_EQ(tornOrLost, 0) << "of " << killed << " kills left neither the old nor the new counts";

    // The next writer clears what the killed ones left, and only that: a temporary of a live
    // process and files of other names stay.
    const std::string live =
        ".defaultSet.ini." + std::to_string(platform::CurrentProcessId()) + ".0.tmp";
    writeFile(sandbox() / live, "being written");
    writeFile(sandbox() / ".defaultSet.ini.bak", "the user's");
    TIniFile(iniPath()).PutNumber(CountedTaskName(0), "runCount", 0);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(sandbox()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"defaultSet.ini", ".defaultSet.ini.bak", live}));
}

} // namespace
} // namespace kolvane
