#pragma once

#include "engine/Clock.h"
#include "engine/CopyJob.h"
#include "engine/JobEvents.h"
#include "engine/Scheduler.h"
#include "engine/TaskRun.h"
#include "store/IniFile.h"
#include "store/TaskTable.h"

#include <QMainWindow>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QListView;
class QMenu;
class QSplitter;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeView;

namespace kolvane::ui {

class HourlyRequest;
class JobEventPump;
class LogModel;
class TaskTableModel;

// The main window: the task table, the log pane, the toolbar and every command of the program.
// Owns the settings-file object from creation to close, the scheduler and the copy jobs' queue.
class TmainForm : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kLogLineLimit = 2000;
    static constexpr int kSnapShutHeight = 30;
    static constexpr int kMinimumPaneHeight = 30;

    // The settings path is defaultSet.ini beside the executable for the program, a temporary file
    // for tests; likewise the home page is HomePageAddress for the program, a local address for
    // tests. The clock drives the scheduler, the runs' sub-directories and the log stamps.
    TmainForm(std::string settingsPath, std::string_view homePageAddress,
              std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>(),
              QWidget* parent = nullptr);
    ~TmainForm() override;

    std::string settingsPath() const { return settingsPath_; }

    // Rebuilds the task table from the settings file; does nothing once the window is closed.
    void LoadTasks();
    void RunSelectedTask();
    void RunTask(int row);
    // Applies one batch of job events: log lines in one insertion, progress cells, the log limit.
    void ShowProgress(std::vector<JobEvent>& batch);
    void TimerMainTimer();

    // Where copy jobs report; events reach ShowProgress on the UI thread.
    std::shared_ptr<JobEventSink> progressSink() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolBar();
    void BuildAdvertPanel();
    void BuildStatusBar();
    void BuildPanes();
    void BuildPopupMenu();
    void FormCreate();
    void FitOuterSizeAndCentre();
    void ColourAdvert(const QColor& colour);
    void FormClose();
    void ReleaseAtClose();

    void ToolButton4Click();
    void ToolButton2Click();
    void ToolButton1Click();
    void ToolButton6Click();
    void SpeedButton1Click();
    void N1Click();
    void N2Click();
    void N4Click();
    void lv_taskDblClick();
    void lv_taskSelectionChanged();
    void Splitter1Moved();

    int SelectedRowOrAsk();
    void ArmTimerMain();
    void ReportSchedulerErrors(std::vector<std::string> messages);
    void AppendLogLines(std::vector<QString> lines);
    void SetProgressCells(const std::string& jobName, const JobEvent& progress);

    QToolBar* ToolBar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QWidget* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QFrame* Panel3 = nullptr;
    QTreeView* lv_task = nullptr;
    QListView* LogsSHower = nullptr;
    QToolButton* ToolButton4 = nullptr;
    QTimer* TimerMain = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QMenu* PopupMenuMain = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QFrame* PanelMsg = nullptr;
    QLabel* PanelMsgText = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    std::unique_ptr<TIniFile> taskIni;

    const std::string settingsPath_;
    const std::shared_ptr<const Clock> clock_;
    const std::shared_ptr<JobRegistry> jobs_ = std::make_shared<JobRegistry>();
    TaskTable table_;
    TaskTableModel* taskModel_ = nullptr;
    LogModel* logModel_ = nullptr;
    JobEventPump* pump_ = nullptr;
    HourlyRequest* hourlyRequest_ = nullptr;
    std::unique_ptr<TaskRunner> runner_;
    std::unique_ptr<Scheduler> scheduler_;
    // Reports of the running scheduler tick, shown once the tick has returned.
    std::vector<std::string> schedulerReports_;
    // Set while a general error box raised by a scheduler tick is open.
    bool schedulerErrorBoxOpen_ = false;
    bool fittedOnce_ = false;
    // From the first show until the window system reports the frame around the window.
    bool awaitingFrame_ = false;
};

} // namespace kolvane::ui
