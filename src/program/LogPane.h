#pragma once

#include "engine/Clock.h"
#include "engine/JobEvents.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kolvane::program {

class MainView;

// The rules of the log pane. Every job event shows its line. A completion line that takes the
// pane past kLogLineLimit lines empties it, the completion line too; so that a job's failures are
// never lost with their lines, the emptied pane then holds one line per job whose failure lines
// went, "<stamp>：任务"<name>"有 K 个文件复制失败". A job whose failure lines went while it was
// still running gets that line after its own completion line.
class LogPane {
public:
    static constexpr int kLogLineLimit = 2000;

    LogPane(MainView& view, std::shared_ptr<const Clock> clock);

    // One batch of job events, shown in one insertion.
    void ShowEvents(const std::vector<JobEvent>& batch);
    // Lines of the program's own, such as scheduler errors.
    void AppendLines(std::vector<std::string> lines);
    int lineCount() const { return lineCount_; }

private:
    void CountCompletion(const JobEvent& completion, std::vector<std::string>& lines);
    void Empty(std::vector<std::string>& lines);
    std::string FailureSummary(const std::string& jobName, int failures) const;

    MainView& view_;
    std::shared_ptr<const Clock> clock_;
    int lineCount_ = 0;
    // Per job name: failure lines in the pane whose job has not completed yet.
    std::map<std::string, int> runningFailuresShown_;
    // Per job name: failure lines of jobs not completed yet that an emptying took away.
    std::map<std::string, int> runningFailuresWiped_;
    // Summaries of the jobs whose failure lines are in the pane, or were kept at the last emptying.
    std::vector<std::string> summaries_;
};

} // namespace kolvane::program
