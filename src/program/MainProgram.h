#pragma once

#include "engine/CopyJob.h"
#include "engine/JobEvents.h"
#include "engine/Scheduler.h"
#include "engine/TaskRun.h"
#include "program/FrontEnd.h"
#include "program/LogPane.h"
#include "store/IniFile.h"
#include "store/TaskTable.h"

#include <memory>
#include <string>
#include <vector>

namespace kolvane::program {

// What stands behind the main window of either front end: the task table and taskIni with their
// lifetimes, the scheduler tick, the task runs and their jobs, the log pane's rules, where errors
// go, the delete flow and the close step. Lives on the UI thread; every call comes from there.
class MainProgram {
public:
    // The creation step: an empty table, taskIni on settingsPath, the table built from it and the
    // scheduler's timer armed.
    MainProgram(std::string settingsPath, FrontEnd frontEnd);
    // Runs the close step if nobody did.
    ~MainProgram();
    MainProgram(const MainProgram&) = delete;
    MainProgram& operator=(const MainProgram&) = delete;

    // The rows the view shows; the view sets the selection.
    TaskTable& table() { return table_; }
    const std::string& settingsPath() const { return settingsPath_; }
    bool closed() const { return !taskIni_; }

    // The commands. Errors of the settings file or of a cell that does not convert propagate to
    // the front end's message loop, which shows them in the general error box.
    void LoadTasks();
    void RunSelectedTask();
    void RunTask(int row);
    void NewTask();
    void EditSelectedTask();
    void CloneSelectedTask();
    void DeleteSelectedTask();
    // Stops every running job of the selected task within a second; each ends with its stopped
    // line instead of the completion line. With no row selected the user is asked to choose one.
    void StopSelectedTask();

    // One batch of job events, in the order the jobs issued them.
    void ShowProgress(const std::vector<JobEvent>& batch);
    // The scheduler's tick; the timer calls it about once a second.
    void TimerMainTimer();

    // The close step: the timer stops, job events are dropped, taskIni is written out and
    // released, and running jobs are asked to stop (their temporaries go) and briefly waited for.
    // Nothing of the program is used afterwards.
    void Close();

    const LogPane& logPane() const { return logPane_; }

private:
    int SelectedRowOrAsk();
    void ArmTimerMain();
    void RunMissedTasks();
    void ReportSchedulerErrors();
    void LogSchedulerError(const std::string& message);
    void SetProgressCells(const std::string& jobName, const JobEvent& progress);

    const std::string settingsPath_;
    FrontEnd frontEnd_;
    const std::shared_ptr<JobRegistry> jobs_ = std::make_shared<JobRegistry>();
    TaskTable table_;
    LogPane logPane_;
    std::unique_ptr<TIniFile> taskIni_;
    std::unique_ptr<TaskRunner> runner_;
    Scheduler scheduler_;
    // Errors of scheduler ticks waiting for their box, oldest first.
    std::vector<std::string> schedulerErrors_;
    // Set while a general error box raised by a scheduler tick is open: ticks go on inside it,
    // and their errors go to the log pane instead of stacking box upon box.
    bool schedulerErrorBoxOpen_ = false;
    // Tasks with catchUp are looked at once, on the first tick after the start.
    bool missedRunsChecked_ = false;
};

} // namespace kolvane::program
