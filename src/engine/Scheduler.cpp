#include "engine/Scheduler.h"

#include "store/IntegerText.h"
#include "store/TaskTable.h"

#include <cstdlib>
#include <exception>
#include <utility>

namespace kolvane {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// How far back a tick catches up on seconds no tick fell into.
constexpr std::int64_t kCatchUpLimit = 60;
// The tick belongs just after the second boundary, so that timer jitter cannot put it before.
constexpr int kTickMargin = 5;

int SecondOfDay(std::int64_t civilSeconds) {
    return static_cast<int>(((civilSeconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay);
}

} // namespace

Scheduler::Scheduler(const TaskTable& table, std::shared_ptr<const Clock> clock, RunTaskFn runTask,
                     ReportFn reportError)
    : table_(table), clock_(std::move(clock)), runTask_(std::move(runTask)),
      reportError_(std::move(reportError)) {}

void Scheduler::TimerMainTimer() {
    const std::int64_t now = CivilSeconds(clock_->Now());
    // A clock set back, or moved on by more than the catch-up limit, starts afresh from now.
    if (!lastExamined_ || now < *lastExamined_ || now - *lastExamined_ > kCatchUpLimit)
        lastExamined_ = now - 1;
    if (table_.generation() != reportedGeneration_) {
        reportedBadTimes_.clear();
        reportedGeneration_ = table_.generation();
    }
    const int rowCount = table_.rowCount();
    // The second is marked before its rows are examined, so that neither an error from a run
    // nor a tick nested inside a report examines it again.
    while (*lastExamined_ < now)
        ExamineSecond(SecondOfDay(++*lastExamined_), rowCount);
}

int Scheduler::MillisecondsToNextTick(const LocalDateTime& now) {
    return 1000 - now.millisecond + kTickMargin;
}

void Scheduler::ExamineSecond(int secondOfDay, int rowCount) {
    // A report shown modally lets the table be rebuilt before it returns, so rows may be gone.
    for (int row = 0; row < rowCount && row < table_.rowCount(); ++row) {
        if (IsDue(row, secondOfDay))
            RunDueRow(row);
    }
}

// One failing task must not keep the others of the same second from running.
void Scheduler::RunDueRow(int row) {
    try {
        runTask_(row);
    } catch (const std::exception& error) {
        if (reportError_)
            reportError_(error.what());
    }
}

bool Scheduler::IsDue(int row, int secondOfDay) {
    const std::string& time = table_.cell(row, kTimeCell);
    const std::int32_t interval = IntegerOr(table_.cell(row, kIntervalCell), 0);
    if (interval > 0) {
        const std::optional<int> start = ParseTimeOfDay(time);
        if (!start) {
            ReportBadTime(row, time);
            return false;
        }
        const std::int64_t step = std::int64_t{interval} * 60;
        if (std::abs(secondOfDay - *start) % step == 0)
            return true;
    }
    return time == FormatSecondOfDay(secondOfDay);
}

void Scheduler::ReportBadTime(int row, const std::string& time) {
    if (!reportedBadTimes_.emplace(row, time).second)
        return;
    if (reportError_)
        reportError_("'" + time + "' is not a valid time");
}

} // namespace kolvane
