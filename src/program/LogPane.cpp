#include "program/LogPane.h"

#include "program/FrontEnd.h"

#include <algorithm>
#include <utility>

namespace kolvane::program {
namespace {

// Summaries never fill the pane on their own: the oldest go first.
constexpr std::size_t kSummaryLimit = LogPane::kLogLineLimit / 2;

} // namespace

LogPane::LogPane(MainView& view, std::shared_ptr<const Clock> clock)
    : view_(view), clock_(std::move(clock)) {}

void LogPane::ShowEvents(const std::vector<JobEvent>& batch) {
    std::vector<std::string> lines;
    lines.reserve(batch.size());
    bool emptiedFirst = false;
    for (const JobEvent& event : batch) {
        lines.push_back(event.logLine);
        ++lineCount_;
        if (event.kind == JobEvent::Kind::Failure)
            ++runningFailuresShown_[event.jobName];
        if (event.kind != JobEvent::Kind::Completion)
            continue;
        CountCompletion(event, lines);
        if (lineCount_ > kLogLineLimit) {
            Empty(lines);
            emptiedFirst = true;
        }
    }
    if (emptiedFirst)
        view_.ClearLog();
    if (!lines.empty())
        view_.AppendLogLines(std::move(lines));
}

void LogPane::AppendLines(std::vector<std::string> lines) {
    if (lines.empty())
        return;
    lineCount_ += static_cast<int>(lines.size());
    view_.AppendLogLines(std::move(lines));
}

// Two jobs of one name may run at once; the completing job's failures are taken first from
// its name's lines still shown, the rest had gone with an emptying.
void LogPane::CountCompletion(const JobEvent& completion, std::vector<std::string>& lines) {
    const int failures = std::max(completion.failures, 0);
    int& shown = runningFailuresShown_[completion.jobName];
    const int ownShown = std::min(shown, failures);
    shown -= ownShown;
    int& wiped = runningFailuresWiped_[completion.jobName];
    const int ownWiped = std::min(wiped, failures - ownShown);
    wiped -= ownWiped;
    if (failures == 0)
        return;
    summaries_.push_back(FailureSummary(completion.jobName, failures));
    if (ownWiped > 0) {
        lines.push_back(summaries_.back());
        ++lineCount_;
    }
}

void LogPane::Empty(std::vector<std::string>& lines) {
    if (summaries_.size() > kSummaryLimit)
        summaries_.erase(summaries_.begin(), summaries_.end() - kSummaryLimit);
    lines = summaries_;
    lineCount_ = static_cast<int>(lines.size());
    for (auto& [jobName, shown] : runningFailuresShown_)
        runningFailuresWiped_[jobName] += std::exchange(shown, 0);
}

std::string LogPane::FailureSummary(const std::string& jobName, int failures) const {
    return FormatTimeStamp(clock_->Now()) + "：任务\"" + jobName + "\"有 " +
           std::to_string(failures) + " 个文件复制失败";
}

} // namespace kolvane::program
