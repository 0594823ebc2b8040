#pragma once

#include "engine/Clock.h"
#include "platform/LoginStart.h"
#include "program/FrontEnd.h"
#include "program/HourlyRequest.h"
#include "program/LoginStart.h"
#include "program/MainProgram.h"
#include "winui/JobEventPump.h"
#include "winui/MessageBoxes.h"
#include "winui/TaskListView.h"
#include "winui/TrayIcon.h"
#include "winui/WindowTimer.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

namespace kolvane::winui {

// The command identifiers of the toolbar buttons, the pop-up menu and the speed button.
enum MainCommand : int {
    kToolButton4 = 1001, // "新任务"
    kToolButton2 = 1002, // "刷新"
    kToolButton1 = 1003, // "运行任务"
    kToolButton6 = 1004, // "关于"
    kN1 = 1101,          // "运行任务"
    kN2 = 1102,          // "克隆任务"
    kN4 = 1104,          // "删除任务"
    kN5 = 1105,          // "停止任务"
    kSpeedButton1 = 1201,
};

// The main window: the task table, the log pane, the toolbar and the commands. It shows what the
// program behind it holds and forwards the commands to it; the program owns the settings file,
// the scheduler and the jobs. Owned by the application window.
class TmainForm final : private program::MainView {
public:
    static constexpr int kOuterWidth = 860;
    static constexpr int kOuterHeight = 579;
    static constexpr int kUpperPaneHeight = 210;
    static constexpr int kSplitterHeight = 3;

    // The controls, by the names the program gives them.
    struct Controls {
        HWND ToolBar1 = nullptr;
        HWND StatusBar1 = nullptr;
        HWND Panel1 = nullptr;
        HWND Panel2 = nullptr;
        HWND Splitter1 = nullptr;
        HWND Panel3 = nullptr;
        HWND lv_task = nullptr;
        HWND LogsSHower = nullptr;
        HWND PanelMsg = nullptr;
        HWND SpeedButton1 = nullptr;
        HMENU PopupMenuMain = nullptr;
    };

    // The settings path is the program's defaultSet.ini (beside the executable, or in the user's
    // application data for an installed copy), a temporary file for tests; likewise the home page
    // is HomePageAddress for the program, a local address for tests. The clock drives the
    // scheduler, the runs' sub-directories and the log stamps. The tray menu switches `loginStart`
    // on and off.
    TmainForm(std::string settingsPath, std::string_view homePageAddress,
              std::shared_ptr<const Clock> clock,
              platform::LoginStartEntry loginStart = program::LoginStartOfThisProgram());
    // Destroys the window: the tray icon goes with it.
    ~TmainForm() override;
    TmainForm(const TmainForm&) = delete;
    TmainForm& operator=(const TmainForm&) = delete;

    // Shown centred at its first show.
    void Show();
    // Shows the window, or, for a program started at login, puts it straight into the tray where
    // there is one; its first show from there is centred as well.
    void ShowAtStart(bool startedAtLogin);

    HWND handle() const { return window_; }
    const Controls& controls() const { return controls_; }
    program::MainProgram& program() { return *program_; }
    const TrayIcon& trayIcon() const { return *tray_; }
    const WindowTimer& timer1() const { return Timer1; }
    COLORREF advertColour() const { return advertColour_; }
    // Shown in the advertisement panel and the status bar's second panel.
    static const char* PromotionText();
    static std::string ContactText();

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void PlaceAtFirstShow();
    void BuildControls();
    void BuildToolBar();
    void BuildAdvertPanel();
    void BuildStatusBar();
    void BuildPanes();
    void BuildPopupMenu();
    void FormCreate(std::string settingsPath, std::shared_ptr<const Clock> clock);
    void ColourAdvert();
    void Layout();
    void LayoutPanes();

    void Command(int id);
    void Notify(const NMHDR& header);
    void ContextMenu(HWND from, LPARAM at);
    void SysCommandMsg(WPARAM command, LPARAM lParam);
    void Splitter1Moved(int distance);
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

    void AppendLogLines(std::vector<std::string> lines) override;
    void ClearLog() override;
    void NotifyRunFailures(const std::string& taskName, int failedFiles) override;
    void OpenNewTaskEditor(const std::string& settingsPath) override;
    void OpenEditTaskEditor(const std::string& settingsPath, const TaskRow& row) override;
    void OpenCloneTaskEditor(const std::string& settingsPath, const TaskRow& row) override;

    HWND window_ = nullptr;
    Controls controls_;
    int upperPaneHeight_ = kUpperPaneHeight;
    COLORREF advertColour_ = 0;
    bool placed_ = false;

    std::unique_ptr<WinMessageBoxes> boxes_;
    std::unique_ptr<TrayIcon> tray_;
    WindowTimer TimerMain;
    WindowTimer Timer1;
    JobEventPump pump_;
    std::unique_ptr<program::MainProgram> program_;
    std::unique_ptr<program::HourlyRequest> hourlyRequest_;
    std::unique_ptr<TaskListView> taskList_;
};

} // namespace kolvane::winui
