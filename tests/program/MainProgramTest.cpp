#include "ProgramTestKit.h"
#include "engine/Scheduler.h"

#include <gtest/gtest.h>

namespace kolvane::testing {
namespace {

using program::BoxKind;

TEST_F(ProgramTest, CreationBuildsTheTableAndArmsTheTimerForTheNextSecond) {
    Start(Section("a", "runCount=4\n") + Section("b"));
    ASSERT_EQ(program->table().rowCount(), 2);
    EXPECT_EQ(cell(0, kRunCountCell) + cell(1, kNameCell), "4b");
    EXPECT_EQ(timer.pendingMs, Scheduler::MillisecondsToNextTick(clock->Now()));
}

struct CommandCase {
    const char* name;
    void (program::MainProgram::*command)();
    bool asks; // shows "请选择一个任务"
    friend void PrintTo(const CommandCase& c, std::ostream* out) { *out << c.name; }
};

class CommandsWithoutSelection : public ProgramTest,
                                 public ::testing::WithParamInterface<CommandCase> {};

TEST_P(CommandsWithoutSelection, AskForARowAndChangeNothing) {
    Start(Section("a", "runCount=4\n"));
    (program.get()->*GetParam().command)();

    ASSERT_EQ(boxes.shown.size(), size_t{GetParam().asks});
    for (const auto& box : boxes.shown) {
        EXPECT_EQ(box.kind, BoxKind::Info);
        EXPECT_EQ(box.caption + box.text, "提示请选择一个任务");
    }
    EXPECT_TRUE(view.editors.empty());
    EXPECT_EQ(settings(), Section("a", "runCount=4\n"));
    EXPECT_EQ(cell(0, kRunCountCell), "4");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandsWithoutSelection,
    ::testing::Values(CommandCase{"run", &program::MainProgram::RunSelectedTask, true},
                      CommandCase{"clone", &program::MainProgram::CloneSelectedTask, true},
                      CommandCase{"delete", &program::MainProgram::DeleteSelectedTask, true},
                      CommandCase{"edit", &program::MainProgram::EditSelectedTask, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramTest, EditorsRebuildTheTableUnlessTheWindowClosedMeanwhile) {
    const std::string changed = Section("a") + Section("b");
    for (const bool closeDuringEditor : {false, true}) {
        Start(Section("a"));
        program->table().setSelectedIndex(0);
        view.duringEditor = [&] {
            writeFile(settingsFile(), changed);
            if (closeDuringEditor)
                program->Close();
        };
        program->CloneSelectedTask();
        EXPECT_EQ(program->table().rowCount(), closeDuringEditor ? 1 : 2);
        program->EditSelectedTask(); // the rebuild dropped the selection
        program->NewTask();
        EXPECT_EQ(view.editors.back(), "new " + settingsFile());
        view.editors.clear();
    }
}

TEST_F(ProgramTest, DeleteAsksAndDropsTheSectionOnlyOnOk) {
    struct Case {
        bool answer;
        bool closeDuringQuestion;
        bool deleted;
    };
    for (const Case& c :
         {Case{false, false, false}, Case{true, false, true}, Case{true, true, false}}) {
        Start(Section("first", "runCount=2\n") + Section("second", "runCount=5\n"));
        program->ShowProgress({{JobEvent::Kind::Progress, "second", "line", 9, 1}});
        program->table().setSelectedIndex(0);
        boxes.shown.clear();
        boxes.answer = [&](auto&) {
            if (c.closeDuringQuestion)
                program->Close();
            return c.answer;
        };

        program->DeleteSelectedTask();

        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].kind, BoxKind::DeleteQuestion);
        EXPECT_EQ(boxes.shown[0].caption + boxes.shown[0].text, "提示要删除数据吗？");
        EXPECT_EQ(settings().find("[first]") == std::string::npos, c.deleted);
        ASSERT_EQ(program->table().rowCount(), c.deleted ? 1 : 2);
        EXPECT_EQ(cell(0, kNameCell), c.deleted ? "second" : "first");
        // The rebuild after a delete reads the counts again and drops the progress.
        EXPECT_EQ(cell(c.deleted ? 0 : 1, kProgressCell), c.deleted ? "" : "1 / 9");
        EXPECT_EQ(cell(0, kRunCountCell), c.deleted ? "5" : "2");
    }
}

TEST_F(ProgramTest, RunSelectedTaskCopiesAndCountsTheRun) {
    writeFile(sandbox() / "source" / "a.txt", "a");
    Start("[t]\ntaskName=t\ntaskSource=" + pathOf("source") + "\ntaskDest=" + pathOf("backup") +
          "\ntaskDD=03:00:00\nrunCount=1\n");
    program->table().setSelectedIndex(0);
    program->RunSelectedTask();
    EXPECT_EQ(cell(0, kRunCountCell), "2");
    EXPECT_NE(settings().find("runCount=2"), std::string::npos);
    ASSERT_TRUE(
        DeliverUntil([&] { return !view.log.empty() && view.log.back().ends_with("执行完毕"); }));
    EXPECT_EQ(readFile(sandbox() / "backup" / "a.txt"), "a");
    EXPECT_EQ(cell(0, kProgressCell), "1 / 1");
}

TEST_F(ProgramTest, ProgressReachesEveryRowOfTheNameFromTheLastReportOfABatch) {
    // Two rows named alike: a section whose taskName differs from the section's name.
    Start("[one]\ntaskName=same\n" + Section("same") + Section("other"));

    program->ShowProgress({{JobEvent::Kind::Progress, "same", "f1", 10, 1},
                           {JobEvent::Kind::Progress, "same", "f3", 10, 3},
                           {JobEvent::Kind::Failure, "same", "failed", 0, 0}});

    EXPECT_EQ(cell(0, kProgressCell), "3 / 10");
    EXPECT_EQ(cell(1, kProgressCell), "3 / 10");
    EXPECT_EQ(cell(2, kProgressCell), "");
    EXPECT_EQ(view.log, (std::vector<std::string>{"f1", "f3", "failed"}));
}

TEST_F(ProgramTest, CloseStopsTheTimerAndTheEventsAndWritesTheFileOut) {
    Start(Section("a"));
    program->Close();
    EXPECT_EQ(timer.pendingMs, -1);
    EXPECT_TRUE(events.closed());
    EXPECT_TRUE(program->closed());
    // Nothing uses the released settings object afterwards.
    program->LoadTasks();
    program->RunTask(0);
    program->Close();
    EXPECT_EQ(settings(), Section("a"));
}

TEST(ErrorBoxText, AppendsAFullStopAfterCharactersSortingAfterIt) {
    const std::pair<std::string, std::string> cases[] = {
        {"Unable to create directory", "Unable to create directory."},
        {"/tmp/", "/tmp/."},
        {"出错", "出错."},
        {"", ""},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},
        {"(a)", "(a)"},
        {"a-", "a-"},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(program::ErrorBoxText(message), shown) << message;
    const auto box = program::ErrorBox("Kolvane", "Unable to create directory");
    EXPECT_EQ(box.kind, BoxKind::Error);
    EXPECT_EQ(box.caption + "|" + box.text, "Kolvane|Unable to create directory.");
}

} // namespace
} // namespace kolvane::testing
