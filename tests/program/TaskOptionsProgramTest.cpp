#include "ProgramTestKit.h"
#include "support/TestSystem.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kolvane::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kNine = 9 * 3600;

// A task whose runs find nothing to copy, into a destination that can be made on every system.
class OptionsProgramTest : public ProgramTest {
protected:
    std::string Task(const std::string& name, const std::string& time, const std::string& extra) {
        return "[" + name + "]\ntaskName=" + name + "\ntaskSource=" + pathOf("nothing") +
               "\ntaskDest=" + pathOf("backup") + "\ntaskDD=" + time + "\n" + extra;
    }
};

// The program starts at 09:00:00 on 1 March; the tasks are due daily at 08:00:00.
TEST_F(OptionsProgramTest, CatchUpRunsATaskOnceWhenItsDueTimePassedWhileTheProgramWasClosed) {
    struct Case {
        const char* lastRun;
        bool catchUp;
        bool runs;
    };
    for (const Case& c :
         {Case{"2026-03-01 07:59:59", true, true}, Case{"2026-02-28 08:00:00", true, true},
          Case{"2026-03-01 08:00:00", true, false}, Case{"2026-03-01 07:59:59", false, false}}) {
        SCOPED_TRACE(std::string(c.lastRun) + (c.catchUp ? " with catchUp" : " without"));
        const std::string extra =
            std::string(c.catchUp ? "catchUp=1\n" : "") + "lastRun=" + c.lastRun + "\nrunCount=3\n";
        Start(Task("t", "08:00:00", extra), kNine);
        for (int tick = 0; tick < 3; ++tick) {
            timer.Fire();
            ++clock->secondOfDay;
        }
        EXPECT_EQ(cell(0, kRunCountCell), c.runs ? "4" : "3");
        const bool stamped = settings().find("lastRun=2026-03-01 09:00:00") != std::string::npos;
        EXPECT_EQ(stamped, c.runs);
        EXPECT_TRUE(boxes.shown.empty());
        program.reset();
    }
}

// A due time the scheduler did not see while the program ran (the clock jumped past it) is no
// missed run of a closed program.
TEST_F(OptionsProgramTest, CatchUpLooksOnlyAtTheStart) {
    const std::string task = Task("t", "10:00:00", "catchUp=1\nlastRun=2026-03-01 08:00:00\n");
    Start(task, kNine);
    timer.Fire();
    clock->secondOfDay = 11 * 3600;
    timer.Fire();
    EXPECT_EQ(settings(), task);
}

TEST_F(OptionsProgramTest, OnlyRunsOfCatchUpTasksNoteTheirStart) {
    Start(Task("plain", "03:00:00", "") + Task("catching", "03:00:00", "catchUp=1\n"), kNine);
    for (int row = 0; row < 2; ++row)
        program->RunTask(row);
    EXPECT_EQ(settings(), Task("plain", "03:00:00", "runCount=1\n") +
                              Task("catching", "03:00:00",
                                   "catchUp=1\nrunCount=1\nlastRun=2026-03-01 09:00:00\n"));
}

TEST_F(ProgramTest, StopSelectedTaskEndsItsRunningJobWithTheStoppedLine) {
    const fs::path big = sandbox() / "source" / "big.bin";
    writeFile(big, "");
    fs::resize_file(big, std::uintmax_t{8} << 30); // sparse: slow to copy only
    Start("[t]\ntaskName=t\ntaskSource=" + pathOf("source") + "\ntaskDest=" + pathOf("backup") +
          "\ntaskDD=03:00:00\n");
    program->StopSelectedTask();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "请选择一个任务");

    program->table().setSelectedIndex(0);
    program->RunSelectedTask();
    ASSERT_TRUE(DeliverUntil([&] { return WritingInto(sandbox() / "backup"); }));
    const auto asked = std::chrono::steady_clock::now();
    program->StopSelectedTask();
    ASSERT_TRUE(DeliverUntil([&] { return !view.log.empty(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
    EXPECT_EQ(view.log, std::vector<std::string>{"2026-03-01 03:00:00：任务\"t\"已停止"});
    EXPECT_TRUE(fs::is_empty(sandbox() / "backup"));
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(ProgramTest, OnlyRunsThatEndWithFailuresAreNotified) {
    Start(Section("t"));
    JobEvent failed{JobEvent::Kind::Completion, "t", "done", 0, 0, 2};
    JobEvent stopped = failed;
    stopped.stopped = true;
    JobEvent clean{JobEvent::Kind::Completion, "t", "done", 0, 0, 0};
    program->ShowProgress({clean, failed, stopped});
    EXPECT_EQ(view.notifications, std::vector<std::string>{"t:2"});
}

} // namespace
} // namespace kolvane::testing
