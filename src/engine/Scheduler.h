#pragma once

#include "engine/Clock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace kolvane {

class TaskTable;

// Starts the due rows of the task table, by the daily rule and the interval rule, from a tick
// that comes about once a second. Runs on the thread that owns the table.
class Scheduler {
public:
    using RunTaskFn = std::function<void(int row)>;
    using ReportFn = std::function<void(const std::string& message)>;

    Scheduler(const TaskTable& table, std::shared_ptr<const Clock> clock, RunTaskFn runTask,
              ReportFn reportError);

    // Examines every wall-clock second since the last tick exactly once (at most 60 back), and
    // every row of it whatever an earlier row raised: the message of each error runTask raises
    // goes to reportError, in order with the reports of unreadable times, and the tick goes on.
    void TimerMainTimer();

    // Milliseconds from `now` to just after the next second boundary, where the next tick belongs.
    static int MillisecondsToNextTick(const LocalDateTime& now);

private:
    void ExamineSecond(int secondOfDay, int rowCount);
    bool IsDue(int row, int secondOfDay);
    void RunDueRow(int row);
    void ReportBadTime(int row, const std::string& time);

    const TaskTable& table_;
    std::shared_ptr<const Clock> clock_;
    RunTaskFn runTask_;
    ReportFn reportError_;
    std::optional<std::int64_t> lastExamined_;
    // Rows whose time cell was reported as unreadable, until the table is next rebuilt.
    std::set<std::pair<int, std::string>> reportedBadTimes_;
    unsigned reportedGeneration_ = 0;
};

} // namespace kolvane
