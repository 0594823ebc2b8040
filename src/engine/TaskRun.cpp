#include "engine/TaskRun.h"

#include "base/Text.h"
#include "engine/Paths.h"
#include "store/IniFile.h"
#include "store/IntegerText.h"
#include "store/TaskTable.h"

#include <utility>

namespace kolvane {

TaskRunner::TaskRunner(TaskTable& table, TIniFile& taskIni, std::shared_ptr<const Clock> clock,
                       std::shared_ptr<JobEventSink> progress, std::shared_ptr<JobRegistry> jobs)
    : table_(table), taskIni_(taskIni), clock_(std::move(clock)), progress_(std::move(progress)),
      jobs_(std::move(jobs)) {}

void TaskRunner::RunTask(int row) {
    const std::string name = table_.cell(row, kNameCell);
    const std::string source = table_.cell(row, kSourceCell);
    const std::string backupRoot = table_.cell(row, kDestCell);
    const LocalDateTime now = clock_->Now();
    std::string destination = backupRoot;
    std::string runDirectory;
    if (table_.cell(row, kSubDirCell) == "1") {
        runDirectory = FormatSubDirName(now);
        destination += kPathSeparator + runDirectory;
    }
    const TaskOptions options = table_.row(row).options;

    MakeDirectoryPath(destination);

    auto* job = new TcopyFile(name, jobs_, clock_);
    job->onProgress = progress_;
    job->backupRoot = TrimControl(backupRoot);
    job->options = options;
    job->runDirectory = runDirectory;
    job->SetPaths(source, destination);

    // The count is taken from the file, not the cell, so that runs counted by another instance
    // in the meantime are not lost.
    std::int32_t count = 0;
    try {
        count = taskIni_.IncrementNumber(name, "runCount");
    } catch (const WriteError&) {
        // The job has started: the row counts the run even though the file could not.
        table_.setCell(row, kRunCountCell,
                       IntegerText(CountPlusOne(IntegerOr(table_.cell(row, kRunCountCell), 0))));
        throw;
    }
    table_.setCell(row, kRunCountCell, IntegerText(count));
    if (options.catchUp)
        taskIni_.PutEntry(name, kLastRunKey, FormatTimeStamp(now));
}

void TaskRunner::RunScheduledTask(int row) {
    const std::string& name = table_.cell(row, kNameCell);
    if (!jobs_->IsRunning(name)) {
        RunTask(row);
        return;
    }
    // Jobs of one task would pile up when a run takes longer than the interval.
    if (progress_)
        progress_->Post(
            {JobEvent::Kind::Notice, name,
             FormatTimeStamp(clock_->Now()) + "：任务\"" + name + "\"仍在运行，本次跳过"});
}

} // namespace kolvane
