#pragma once

#include "engine/Clock.h"
#include "engine/JobEvents.h"
#include "program/FrontEnd.h"
#include "program/HourlyRequest.h"
#include "program/MainProgram.h"
#include "ui/MessageBoxes.h"

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
class QToolBar;
class QToolButton;
class QTreeView;

namespace kolvane::ui {

class JobEventPump;
class LogModel;
class TaskTableModel;
class TrayIcon;
class UiTimer;

// The main window: the task table, the log pane, the toolbar and the commands. It shows what the
// program behind it holds and forwards the commands to it; the program owns the settings file,
// the scheduler and the jobs.
class TmainForm : public QMainWindow, private program::MainView {
    Q_OBJECT
public:
    static constexpr int kSnapShutHeight = 30;
    static constexpr int kMinimumPaneHeight = 30;

    // The settings path is defaultSet.ini beside the executable for the program, a temporary file
    // for tests; likewise the home page is HomePageAddress for the program, a local address for
    // tests. The clock drives the scheduler, the runs' sub-directories and the log stamps.
    TmainForm(std::string settingsPath, std::string_view homePageAddress,
              std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>(),
              QWidget* parent = nullptr);
    ~TmainForm() override;

    std::string settingsPath() const { return program_->settingsPath(); }

    void RunSelectedTask();

    // Shows the window, or, for a program started at login, puts it straight into the tray where
    // there is one.
    void ShowAtStart(bool startedAtLogin);
    TrayIcon* trayIcon() const { return tray_; }

    // Where copy jobs report; events reach the program on the UI thread.
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
    void FormCreate(std::string settingsPath, std::shared_ptr<const Clock> clock);
    void FitOuterSizeAndCentre();
    void ColourAdvert(const QColor& colour);
    void FormClose();

    void ToolButton4Click();
    void ToolButton2Click();
    void ToolButton1Click();
    void ToolButton6Click();
    void SpeedButton1Click();
    void N1Click();
    void N2Click();
    void N4Click();
    void N5Click();
    void lv_taskDblClick();
    void lv_taskSelectionChanged();
    void Splitter1Moved();

    void AppendLogLines(std::vector<std::string> lines) override;
    void ClearLog() override;
    void NotifyRunFailures(const std::string& taskName, int failedFiles) override;
    void OpenNewTaskEditor(const std::string& settingsPath) override;
    void OpenEditTaskEditor(const std::string& settingsPath, const TaskRow& row) override;
    void OpenCloneTaskEditor(const std::string& settingsPath, const TaskRow& row) override;

    QToolBar* ToolBar1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QWidget* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QFrame* Panel3 = nullptr;
    QTreeView* lv_task = nullptr;
    QListView* LogsSHower = nullptr;
    QToolButton* ToolButton4 = nullptr;
    UiTimer* TimerMain = nullptr;
    UiTimer* Timer1 = nullptr;
    QToolButton* ToolButton1 = nullptr;
    QToolButton* ToolButton2 = nullptr;
    QMenu* PopupMenuMain = nullptr;
    QAction* N1 = nullptr;
    QAction* N2 = nullptr;
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;
    QAction* N5 = nullptr;
    QToolButton* ToolButton6 = nullptr;
    QFrame* PanelMsg = nullptr;
    QLabel* PanelMsgText = nullptr;
    QToolButton* SpeedButton1 = nullptr;

    UiMessageBoxes boxes_{this};
    TaskTableModel* taskModel_ = nullptr;
    LogModel* logModel_ = nullptr;
    JobEventPump* pump_ = nullptr;
    TrayIcon* tray_ = nullptr;
    std::unique_ptr<program::MainProgram> program_;
    std::unique_ptr<program::HourlyRequest> hourlyRequest_;
    bool fittedOnce_ = false;
    // From the first show until the window system reports the frame around the window.
    bool awaitingFrame_ = false;
};

} // namespace kolvane::ui
