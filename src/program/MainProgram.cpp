#include "program/MainProgram.h"

#include "engine/CatchUp.h"
#include "store/IntegerText.h"

#include <chrono>
#include <exception>
#include <map>
#include <utility>

namespace kolvane::program {
namespace {

constexpr std::chrono::milliseconds kJobStopGrace{800};

// Set for as long as a box is open, whichever way the box ends.
class BoxOpenFlag {
public:
    explicit BoxOpenFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~BoxOpenFlag() { flag_ = false; }
    BoxOpenFlag(const BoxOpenFlag&) = delete;
    BoxOpenFlag& operator=(const BoxOpenFlag&) = delete;

private:
    bool& flag_;
};

} // namespace

MainProgram::MainProgram(std::string settingsPath, FrontEnd frontEnd)
    : settingsPath_(std::move(settingsPath)), frontEnd_(std::move(frontEnd)),
      logPane_(frontEnd_.view, frontEnd_.clock),
      scheduler_(
          table_, frontEnd_.clock,
          [this](int row) {
              if (runner_)
                  runner_->RunScheduledTask(row);
          },
          [this](const std::string& message) { schedulerErrors_.push_back(message); }) {
    taskIni_ = std::make_unique<TIniFile>(settingsPath_);
    runner_ = std::make_unique<TaskRunner>(table_, *taskIni_, frontEnd_.clock,
                                           frontEnd_.jobEvents.sink(), jobs_);
    LoadTasks();
    ArmTimerMain();
}

MainProgram::~MainProgram() {
    Close();
}

// ---- commands ------------------------------------------------------------------------------

// A close while a command waits in a modal dialog leaves nothing to rebuild from. A task whose
// section is hidden by an earlier one of the same name never runs, so the user is told at every
// rebuild.
void MainProgram::LoadTasks() {
    if (!taskIni_)
        return;
    std::vector<std::string> notices;
    for (const std::string& name : kolvane::LoadTasks(table_, *taskIni_))
        notices.push_back(FormatTimeStamp(frontEnd_.clock->Now()) + "：任务\"" + name +
                          "\"重名，只使用第一个");
    if (!notices.empty())
        logPane_.AppendLines(std::move(notices));
}

// The selected row, or -1 after telling the user to choose one.
int MainProgram::SelectedRowOrAsk() {
    const int row = table_.selectedIndex();
    if (row < 0)
        frontEnd_.boxes.Show(InfoBox("请选择一个任务"));
    return row;
}

void MainProgram::RunSelectedTask() {
    const int row = SelectedRowOrAsk();
    if (row >= 0)
        RunTask(row);
}

void MainProgram::RunTask(int row) {
    if (runner_)
        runner_->RunTask(row);
}

void MainProgram::NewTask() {
    frontEnd_.view.OpenNewTaskEditor(settingsPath_);
    LoadTasks();
}

void MainProgram::EditSelectedTask() {
    const int row = table_.selectedIndex();
    if (row < 0)
        return;
    frontEnd_.view.OpenEditTaskEditor(settingsPath_, table_.row(row));
    LoadTasks();
}

void MainProgram::CloneSelectedTask() {
    const int row = SelectedRowOrAsk();
    if (row < 0)
        return;
    frontEnd_.view.OpenCloneTaskEditor(settingsPath_, table_.row(row));
    LoadTasks();
}

// Nothing rebuilds the table while the question is open, so the row still names the same task.
void MainProgram::DeleteSelectedTask() {
    const int row = SelectedRowOrAsk();
    if (row < 0)
        return;
    const std::string name = table_.cell(row, kNameCell);
    if (!frontEnd_.boxes.Show(DeleteQuestion()) || !taskIni_)
        return;
    taskIni_->DropSection(name);
    LoadTasks();
}

void MainProgram::StopSelectedTask() {
    const int row = SelectedRowOrAsk();
    if (row >= 0)
        jobs_->StopJobsOf(table_.cell(row, kNameCell));
}

// ---- scheduler -----------------------------------------------------------------------------

void MainProgram::ArmTimerMain() {
    frontEnd_.schedulerTimer.StartOnce(Scheduler::MillisecondsToNextTick(frontEnd_.clock->Now()),
                                       [this] { TimerMainTimer(); });
}

void MainProgram::TimerMainTimer() {
    // Re-armed first: the next tick is due even while this one shows an error box.
    ArmTimerMain();
    try {
        RunMissedTasks();
        scheduler_.TimerMainTimer();
    } catch (const std::exception& error) {
        schedulerErrors_.push_back(error.what());
    }
    ReportSchedulerErrors();
}

// A due time that passed while the program was closed is made up for by one run. The first tick
// examines only its own second, so the time between the start and that tick counts as closed too.
void MainProgram::RunMissedTasks() {
    if (std::exchange(missedRunsChecked_, true) || !runner_)
        return;
    const LocalDateTime now = frontEnd_.clock->Now();
    for (int row = 0; row < table_.rowCount(); ++row) {
        if (!table_.row(row).options.catchUp)
            continue;
        const std::string lastRun =
            taskIni_->GetEntry(table_.cell(row, kNameCell), kLastRunKey, "");
        if (!IsRunMissed(table_.cell(row, kTimeCell), table_.cell(row, kIntervalCell), lastRun,
                         now))
            continue;
        try {
            runner_->RunScheduledTask(row);
        } catch (const std::exception& error) {
            schedulerErrors_.push_back(error.what());
        }
    }
}

// Each error of a tick gets its box, one at a time, the next once the last is closed. Ticks
// that come while such a box is open log their errors instead; after a close nothing is shown.
void MainProgram::ReportSchedulerErrors() {
    // Taken first, so that errors of ticks nested in a box are told apart from this tick's.
    std::vector<std::string> errors = std::exchange(schedulerErrors_, {});
    if (schedulerErrorBoxOpen_) {
        for (const std::string& message : errors)
            LogSchedulerError(message);
        return;
    }
    for (const std::string& message : errors) {
        if (closed())
            return;
        const BoxOpenFlag open(schedulerErrorBoxOpen_);
        frontEnd_.boxes.Show(ErrorBox(frontEnd_.applicationTitle, message));
    }
}

void MainProgram::LogSchedulerError(const std::string& message) {
    logPane_.AppendLines({FormatTimeStamp(frontEnd_.clock->Now()) + "：" + ErrorBoxText(message)});
}

// ---- progress ------------------------------------------------------------------------------

void MainProgram::ShowProgress(const std::vector<JobEvent>& batch) {
    logPane_.ShowEvents(batch);
    // Only the last report of each job name in the batch decides what its rows show.
    std::map<std::string, const JobEvent*> latestProgress;
    for (const JobEvent& event : batch) {
        if (event.kind == JobEvent::Kind::Progress)
            latestProgress[event.jobName] = &event;
    }
    for (const auto& [jobName, progress] : latestProgress)
        SetProgressCells(jobName, *progress);
    for (const JobEvent& event : batch) {
        if (event.kind == JobEvent::Kind::Completion && !event.stopped && event.failures > 0)
            frontEnd_.view.NotifyRunFailures(event.jobName, event.failures);
    }
}

void MainProgram::SetProgressCells(const std::string& jobName, const JobEvent& progress) {
    const std::string text = IntegerText(progress.index) + " / " + IntegerText(progress.total);
    for (int row = 0; row < table_.rowCount(); ++row) {
        if (table_.cell(row, kNameCell) == jobName)
            table_.setCell(row, kProgressCell, text);
    }
}

// ---- closing -------------------------------------------------------------------------------

void MainProgram::Close() {
    if (closed())
        return;
    frontEnd_.schedulerTimer.Stop();
    // Jobs that still report must never wait on a window that no longer drains their events.
    frontEnd_.jobEvents.Close();
    runner_.reset();
    taskIni_->FlushFile();
    taskIni_.reset();
    jobs_->StopAll(kJobStopGrace);
}

} // namespace kolvane::program
