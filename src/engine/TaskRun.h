#pragma once

#include "engine/Clock.h"
#include "engine/CopyJob.h"
#include "engine/JobEvents.h"

#include <memory>

namespace kolvane {

class TaskTable;
class TIniFile;

// Starts runs of task rows: prepares the destination, starts a copy job and counts the run in the
// row and in the settings file. Runs on the thread that owns the table.
class TaskRunner {
public:
    TaskRunner(TaskTable& table, TIniFile& taskIni, std::shared_ptr<const Clock> clock,
               std::shared_ptr<JobEventSink> progress, std::shared_ptr<JobRegistry> jobs);

    // Raises "Unable to create directory" before any job starts, or the settings file's write
    // error after the job started and the row's count went up.
    void RunTask(int row);
    // The scheduler's run: skipped, with a notice in the log and without counting, while a job
    // of the same task is still running.
    void RunScheduledTask(int row);

private:
    TaskTable& table_;
    TIniFile& taskIni_;
    std::shared_ptr<const Clock> clock_;
    std::shared_ptr<JobEventSink> progress_;
    std::shared_ptr<JobRegistry> jobs_;
};

} // namespace kolvane
