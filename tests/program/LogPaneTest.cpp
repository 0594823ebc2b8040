#include "program/LogPane.h"

#include "ProgramTestKit.h"

#include <gtest/gtest.h>

namespace kolvane::testing {
namespace {

JobEvent Progress(const std::string& job, int index) {
    return {JobEvent::Kind::Progress, job, job + " f" + std::to_string(index), 0, index};
}
JobEvent Failure(const std::string& job) {
    return {JobEvent::Kind::Failure, job, job + " failed"};
}
JobEvent Completion(const std::string& job, int failures = 0) {
    JobEvent completion{JobEvent::Kind::Completion, job, job + " done"};
    completion.failures = failures;
    return completion;
}

class LogPaneTest : public ::testing::Test {
protected:
    void Show(std::vector<JobEvent> batch) {
        pane.ShowEvents(batch);
        ASSERT_EQ(pane.lineCount(), static_cast<int>(view.log.size()));
    }
    static std::vector<JobEvent> Lines(const std::string& job, int count) {
        std::vector<JobEvent> batch;
        for (int i = 1; i <= count; ++i)
            batch.push_back(Progress(job, i));
        return batch;
    }
    static std::string Summary(const std::string& job, int failures) {
        return "2026-03-01 09:00:00：任务\"" + job + "\"有 " + std::to_string(failures) +
               " 个文件复制失败";
    }

    FakeView view;
    std::shared_ptr<SettableClock> clock = std::make_shared<SettableClock>(9 * 3600);
    program::LogPane pane{view, clock};
};

TEST_F(LogPaneTest, EmptiesOnlyWhenACompletionLineTakesItPast2000) {
    // Lines already shown, progress lines in the batch before its completion line, lines shown
    // after the batch (which ends with one progress line after the completion).
    const int cases[][3] = {{0, 1999, 2001}, {0, 2000, 1}, {1500, 499, 2001}, {1500, 500, 1}};
    for (const auto& [before, inBatch, after] : cases) {
        FakeView caseView;
        program::LogPane casePane(caseView, clock);
        casePane.ShowEvents(Lines("earlier", before));
        std::vector<JobEvent> batch = Lines("job", inBatch);
        batch.push_back(Completion("job"));
        batch.push_back(Progress("later", 1));
        casePane.ShowEvents(batch);
        EXPECT_EQ(caseView.log.size(), size_t(after)) << before << " + " << inBatch;
        EXPECT_EQ(casePane.lineCount(), after);
        EXPECT_EQ(caseView.log.back(), "later f1");
    }
}

TEST_F(LogPaneTest, ProgramLinesCountTowardsTheLimit) {
    pane.AppendLines(std::vector<std::string>(1000, "error"));
    Show(Lines("job", 1000));
    Show({Completion("job")});
    EXPECT_TRUE(view.log.empty());
}

TEST_F(LogPaneTest, AnEmptiedPaneKeepsALinePerJobWithFailures) {
    // The job of 2,503 entries with 2,247 failed copies.
    std::vector<JobEvent> batch;
    for (int i = 1; i <= 2503; ++i) {
        batch.push_back(Progress("big", i));
        if (i > 256)
            batch.push_back(Failure("big"));
    }
    batch.push_back(Completion("big", 2247));
    Show(batch);
    EXPECT_EQ(view.log, (std::vector<std::string>{Summary("big", 2247)}));
}

TEST_F(LogPaneTest, EarlierJobsWithFailuresKeepTheirLineWhenAnotherEmptiesThePane) {
    Show({Progress("first", 1), Failure("first"), Completion("first", 1)});
    Show({Progress("clean", 1), Completion("clean")});
    Show(Lines("last", 2000));
    Show({Completion("last")});
    EXPECT_EQ(view.log, (std::vector<std::string>{Summary("first", 1)}));
    // Kept again by the next emptying, after the jobs of the meantime.
    Show({Failure("next"), Completion("next", 1)});
    Show(Lines("last", 2000));
    Show({Completion("last")});
    EXPECT_EQ(view.log, (std::vector<std::string>{Summary("first", 1), Summary("next", 1)}));
}

TEST_F(LogPaneTest, ARunningJobWhoseFailureLinesWentGetsItsLineAfterItsCompletion) {
    Show({Failure("slow"), Failure("slow")});
    Show(Lines("big", 2000));
    Show({Completion("big")});
    ASSERT_TRUE(view.log.empty());
    Show({Failure("slow"), Completion("slow", 3)});
    EXPECT_EQ(view.log, (std::vector<std::string>{"slow failed", "slow done", Summary("slow", 3)}));
    // A job whose failure lines are all still there gets no extra line.
    Show({Failure("other"), Completion("other", 1)});
    EXPECT_EQ(view.log.back(), "other done");
}

TEST_F(LogPaneTest, EveryKindOfEventShowsItsLineButOnlyFailuresAreCounted) {
    const auto notice = static_cast<JobEvent::Kind>(99); // a kind this pane does not know
    Show({{notice, "job", "job notice"}, Completion("job")});
    EXPECT_EQ(view.log, (std::vector<std::string>{"job notice", "job done"}));
}

} // namespace
} // namespace kolvane::testing
