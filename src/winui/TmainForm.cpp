#include "winui/TmainForm.h"

#include "program/WindowRules.h"
#include "web/HomePage.h"
#include "winui/ApplicationWindow.h"
#include "winui/ErrorGuard.h"
#include "winui/Fonts.h"
#include "winui/HomePageLink.h"
#include "winui/Panels.h"
#include "winui/Pictures.h"
#include "winui/TaboutForm.h"
#include "winui/TnewTaskForm.h"
#include "winui/WideText.h"
#include "winui/WindowText.h"

#include <algorithm>
#include <array>
#include <commctrl.h>
#include <utility>

namespace kolvane::winui {
namespace {

constexpr wchar_t kClassName[] = L"TmainForm";
constexpr int kToolButtonWidth = 75;
constexpr int kToolButtonHeight = 22;
constexpr int kSeparatorWidth = 8;
constexpr int kSpeedButtonLeft = 360;
constexpr int kSpeedButtonWidth = 61;
constexpr int kStatusPanelWidth = 50;
constexpr int kStatusBarHeight = 19;
constexpr int kLogLineHeight = 13;

enum ControlId : int {
    kToolBarId = 2001,
    kStatusBarId,
    kTaskListId,
    kLogId,
    kSplitterId,
};

// Button picture indexes in ToolbarImages().
enum ToolbarPicture : int { kNewTaskPicture, kRefreshPicture, kRunPicture, kAboutPicture };

void RegisterOnce(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hIcon = ApplicationIcon();
        windowClass.hIconSm = ApplicationIconSmall();
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

HWND CreateChild(const wchar_t* className, DWORD style, DWORD extendedStyle, HWND parent, int id) {
    return CreateWindowExW(extendedStyle, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

int HeightOf(HWND window) {
    RECT area;
    GetWindowRect(window, &area);
    return area.bottom - area.top;
}

std::uint32_t MillisecondsSinceUtcMidnight() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return ((now.wHour * 60u + now.wMinute) * 60u + now.wSecond) * 1000u + now.wMilliseconds;
}

} // namespace

const char* TmainForm::PromotionText() {
    return "Kolvane 定时备份，安全省心";
}

std::string TmainForm::ContactText() {
    return std::string("主页：") + HomePageAddress + "    联系电话：010-8888-6666";
}

TmainForm::TmainForm(std::string settingsPath, std::string_view homePageAddress,
                     std::shared_ptr<const Clock> clock, platform::LoginStartEntry loginStart)
    : pump_([this](const std::vector<JobEvent>& batch) {
          // UI thread: what the workers posted, batch by batch.
          if (program_)
              program_->ShowProgress(batch);
      }) {
    RegisterOnce(&TmainForm::Proc);
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    window_ = CreateWindowExW(0, kClassName, L"Kolvane3.0", style, CW_USEDEFAULT, CW_USEDEFAULT,
                              kOuterWidth, kOuterHeight, ApplicationWindow::Handle(), nullptr,
                              GetModuleHandleW(nullptr), this);
    boxes_ = std::make_unique<WinMessageBoxes>(window_, ApplicationWindow::Handle());
    tray_ = std::make_unique<TrayIcon>(window_, std::move(loginStart));
    BuildControls();
    FormCreate(std::move(settingsPath), std::move(clock));
    hourlyRequest_ = std::make_unique<program::HourlyRequest>(Timer1, homePageAddress);
    ApplicationWindow::SetMainWindow(window_);
}

TmainForm::~TmainForm() {
    hourlyRequest_->Close();
    program_->Close();
    taskList_.reset();
    // FormDestroy: the icon goes before the window it belongs to.
    tray_.reset();
    ApplicationWindow::SetMainWindow(nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
    DestroyMenu(controls_.PopupMenuMain);
}

void TmainForm::Show() {
    PlaceAtFirstShow();
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

void TmainForm::ShowAtStart(bool startedAtLogin) {
    if (startedAtLogin) {
        // Placed while still hidden: the tray's restore shows the window where it is.
        PlaceAtFirstShow();
        if (tray_->HideIntoTray())
            return;
    }
    Show();
}

void TmainForm::PlaceAtFirstShow() {
    if (std::exchange(placed_, true))
        return;
    const int left = (GetSystemMetrics(SM_CXSCREEN) - kOuterWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kOuterHeight) / 2;
    SetWindowPos(window_, nullptr, left, top, kOuterWidth, kOuterHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- building the window -------------------------------------------------------------------

void TmainForm::BuildControls() {
    BuildToolBar();
    BuildStatusBar();
    BuildPanes();
    BuildPopupMenu();
    SetFontOfTree(window_, WindowFont());
    Layout();
}

void TmainForm::BuildToolBar() {
    const HWND toolBar = CreateChild(
        TOOLBARCLASSNAMEW, TBSTYLE_FLAT | TBSTYLE_LIST | CCS_TOP | CCS_NODIVIDER | WS_CLIPCHILDREN,
        0, window_, kToolBarId);
    controls_.ToolBar1 = toolBar;
    SendMessageW(toolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ToolbarImages()));
    SendMessageW(toolBar, TB_SETBUTTONWIDTH, 0, MAKELPARAM(kToolButtonWidth, kToolButtonWidth));

    struct ButtonLook {
        int command; // 0 for a separator
        int picture;
        const char* caption;
    };
    constexpr std::array<ButtonLook, 6> kButtons{{
        {kToolButton4, kNewTaskPicture, "新任务"},
        {kToolButton2, kRefreshPicture, "刷新"},
        {0, kSeparatorWidth, nullptr}, // ToolButton3
        {kToolButton1, kRunPicture, "运行任务"},
        {0, kSeparatorWidth, nullptr}, // ToolButton5
        {kToolButton6, kAboutPicture, "关于"},
    }};
    std::array<std::wstring, kButtons.size()> captions;
    std::array<TBBUTTON, kButtons.size()> buttons{};
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        TBBUTTON& button = buttons[i];
        button.iBitmap = kButtons[i].picture;
        button.idCommand = kButtons[i].command;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = kButtons[i].caption ? BTNS_BUTTON : BTNS_SEP;
        if (kButtons[i].caption) {
            captions[i] = Wide(kButtons[i].caption);
            button.iString = reinterpret_cast<INT_PTR>(captions[i].c_str());
        }
    }
    SendMessageW(toolBar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolBar, TB_SETBUTTONSIZE, 0, MAKELPARAM(kToolButtonWidth, kToolButtonHeight));
    SendMessageW(toolBar, TB_AUTOSIZE, 0, 0);
    BuildAdvertPanel();
}

void TmainForm::BuildAdvertPanel() {
    controls_.PanelMsg = CreatePanel(controls_.ToolBar1, Bevel::None);
    SetWindowTextOf(controls_.PanelMsg, PromotionText());
    controls_.SpeedButton1 = CreateSpeedButton(controls_.PanelMsg, kSpeedButton1, L"下载地址");
    SetWindowPos(controls_.SpeedButton1, HWND_TOP, kSpeedButtonLeft, 0, kSpeedButtonWidth,
                 kToolButtonHeight, 0);
}

void TmainForm::BuildStatusBar() {
    // Placed by the window, at 19 high: left to itself the bar takes its height from the font.
    const HWND statusBar =
        CreateChild(STATUSCLASSNAMEW, SBARS_SIZEGRIP | CCS_NORESIZE | CCS_NOPARENTALIGN, 0, window_,
                    kStatusBarId);
    controls_.StatusBar1 = statusBar;
    // The last panel reaches the right edge.
    const std::array<int, 2> edges{kStatusPanelWidth, -1};
    SendMessageW(statusBar, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    const std::wstring ready = L"就绪";
    const std::wstring contact = Wide(ContactText());
    SendMessageW(statusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(ready.c_str()));
    SendMessageW(statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(contact.c_str()));
}

void TmainForm::BuildPanes() {
    controls_.Panel1 = CreatePanel(window_, Bevel::None);
    controls_.Panel2 = CreatePanel(controls_.Panel1, Bevel::Lowered);
    controls_.Splitter1 = CreateHorizontalSplitter(controls_.Panel1, kSplitterId);
    controls_.Panel3 = CreatePanel(controls_.Panel1, Bevel::Lowered);

    controls_.lv_task =
        CreateChild(WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP,
                    WS_EX_CLIENTEDGE, controls_.Panel2, kTaskListId);
    SendMessageW(controls_.lv_task, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);

    controls_.LogsSHower =
        CreateChild(WC_LISTBOXW, LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | WS_VSCROLL | WS_TABSTOP,
                    WS_EX_CLIENTEDGE, controls_.Panel3, kLogId);
}

void TmainForm::BuildPopupMenu() {
    const HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kN1, L"运行任务");
    AppendMenuW(menu, MF_STRING, kN2, L"克隆任务");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); // N3
    AppendMenuW(menu, MF_STRING, kN4, L"删除任务");
    AppendMenuW(menu, MF_STRING, kN5, L"停止任务");
    controls_.PopupMenuMain = menu;
}

void TmainForm::FormCreate(std::string settingsPath, std::shared_ptr<const Clock> clock) {
    // Set after the font, which resets a list box's item height.
    SendMessageW(controls_.LogsSHower, LB_SETITEMHEIGHT, 0, kLogLineHeight);
    program_ = std::make_unique<program::MainProgram>(
        std::move(settingsPath), program::FrontEnd{*this, *boxes_, TimerMain, pump_,
                                                   std::move(clock), ApplicationWindow::Title()});
    taskList_ = std::make_unique<TaskListView>(controls_.lv_task, program_->table());
    ColourAdvert();
}

void TmainForm::ColourAdvert() {
    const program::AdvertColour colour = program::DrawAdvertColour(MillisecondsSinceUtcMidnight());
    advertColour_ = RGB(colour.red, colour.green, colour.blue);
    SetPanelTextColour(controls_.PanelMsg, advertColour_);
    SetSpeedButtonTextColour(controls_.SpeedButton1, advertColour_);
}

// ---- layout --------------------------------------------------------------------------------

void TmainForm::Layout() {
    if (!controls_.Panel1)
        return;
    RECT client;
    GetClientRect(window_, &client);
    const int width = client.right;
    const int height = client.bottom;
    SendMessageW(controls_.ToolBar1, TB_AUTOSIZE, 0, 0);
    const int toolBarHeight = HeightOf(controls_.ToolBar1);
    const int statusBarHeight = kStatusBarHeight;
    SetWindowPos(controls_.StatusBar1, nullptr, 0, height - statusBarHeight, width, statusBarHeight,
                 SWP_NOZORDER);

    // PanelMsg fills the toolbar right of the last button.
    const int buttonCount =
        static_cast<int>(SendMessageW(controls_.ToolBar1, TB_BUTTONCOUNT, 0, 0));
    RECT lastButton{};
    SendMessageW(controls_.ToolBar1, TB_GETITEMRECT, static_cast<WPARAM>(buttonCount - 1),
                 reinterpret_cast<LPARAM>(&lastButton));
    SetWindowPos(controls_.PanelMsg, nullptr, lastButton.right, lastButton.top,
                 std::max(0, width - static_cast<int>(lastButton.right)),
                 lastButton.bottom - lastButton.top, SWP_NOZORDER);

    SetWindowPos(controls_.Panel1, nullptr, 0, toolBarHeight, width,
                 std::max(0, height - toolBarHeight - statusBarHeight), SWP_NOZORDER);
    LayoutPanes();
}

void TmainForm::LayoutPanes() {
    RECT area;
    GetClientRect(controls_.Panel1, &area);
    const int width = area.right;
    const int height = area.bottom;
    const int upper = std::min(upperPaneHeight_, std::max(0, height - kSplitterHeight));
    SetWindowPos(controls_.Panel2, nullptr, 0, 0, width, upper, SWP_NOZORDER);
    SetWindowPos(controls_.Splitter1, nullptr, 0, upper, width, kSplitterHeight, SWP_NOZORDER);
    SetWindowPos(controls_.Panel3, nullptr, 0, upper + kSplitterHeight, width,
                 std::max(0, height - upper - kSplitterHeight), SWP_NOZORDER);
    const auto fill = [](HWND panel, HWND content) {
        const RECT inside = PanelInside(panel);
        SetWindowPos(content, nullptr, inside.left, inside.top,
                     std::max(0, static_cast<int>(inside.right - inside.left)),
                     std::max(0, static_cast<int>(inside.bottom - inside.top)), SWP_NOZORDER);
    };
    fill(controls_.Panel2, controls_.lv_task);
    fill(controls_.Panel3, controls_.LogsSHower);
}

void TmainForm::Splitter1Moved(int distance) {
    RECT area;
    GetClientRect(controls_.Panel1, &area);
    upperPaneHeight_ = program::UpperPaneHeightAfterDrag(upperPaneHeight_ + distance, area.bottom,
                                                         kSplitterHeight);
    LayoutPanes();
}

// ---- messages ------------------------------------------------------------------------------

LRESULT CALLBACK TmainForm::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<TmainForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->window_)
        return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    RunGuarded([&] { result = self->Handle(message, wParam, lParam); });
    return result;
}

LRESULT TmainForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        Layout();
        return 0;
    case WM_COMMAND:
        Command(LOWORD(wParam));
        return 0;
    case WM_NOTIFY:
        Notify(*reinterpret_cast<const NMHDR*>(lParam));
        return 0;
    case WM_CONTEXTMENU:
        ContextMenu(reinterpret_cast<HWND>(wParam), lParam);
        return 0;
    case WM_SYSCOMMAND:
        SysCommandMsg(wParam, lParam);
        return 0;
    case TrayIcon::kCallbackMessage:
        tray_->TrayIconMsg(lParam);
        return 0;
    case kSplitterDragEnded:
        Splitter1Moved(static_cast<int>(wParam));
        return 0;
    case WM_CLOSE:
        FormClose();
        return 0;
    default:
        return DefWindowProcW(window_, message, wParam, lParam);
    }
}

void TmainForm::Command(int id) {
    switch (id) {
    case kToolButton4:
        ToolButton4Click();
        break;
    case kToolButton2:
        ToolButton2Click();
        break;
    case kToolButton1:
        ToolButton1Click();
        break;
    case kToolButton6:
        ToolButton6Click();
        break;
    case kN1:
        N1Click();
        break;
    case kN2:
        N2Click();
        break;
    case kN4:
        N4Click();
        break;
    case kN5:
        N5Click();
        break;
    case kSpeedButton1:
        SpeedButton1Click();
        break;
    case kAutostartItem:
        tray_->SwitchStartAtLogin();
        break;
    case kQuitItem:
        // As the close button does: the close step runs and ends the program.
        SendMessageW(window_, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

void TmainForm::Notify(const NMHDR& header) {
    if (header.hwndFrom != controls_.lv_task)
        return;
    if (header.code == NM_DBLCLK) {
        lv_taskDblClick();
    } else if (header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) &&
            ((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
            taskList_->SelectionChanged();
    }
}

// The menu opens on a right click anywhere in the table, below the last row too.
void TmainForm::ContextMenu(HWND from, LPARAM at) {
    if (from != controls_.lv_task)
        return;
    POINT where{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (at == -1) {
        RECT area;
        GetWindowRect(controls_.lv_task, &area);
        where = POINT{area.left, area.top};
    }
    TrackPopupMenu(controls_.PopupMenuMain, TPM_LEFTALIGN | TPM_RIGHTBUTTON, where.x, where.y, 0,
                   window_, nullptr);
}

// Only the exact minimise command hides into the tray; every other goes its usual way.
void TmainForm::SysCommandMsg(WPARAM command, LPARAM lParam) {
    if (command == SC_MINIMIZE && tray_->HideIntoTray())
        return;
    DefWindowProcW(window_, WM_SYSCOMMAND, command, lParam);
}

// ---- commands ------------------------------------------------------------------------------

void TmainForm::ToolButton4Click() {
    program_->NewTask();
}

void TmainForm::ToolButton2Click() {
    program_->LoadTasks();
}

void TmainForm::ToolButton1Click() {
    program_->RunSelectedTask();
}

void TmainForm::ToolButton6Click() {
    ShowAboutBox(window_);
}

void TmainForm::SpeedButton1Click() {
    OpenHomePage(window_);
}

void TmainForm::N1Click() {
    program_->RunSelectedTask();
}

void TmainForm::N2Click() {
    program_->CloneSelectedTask();
}

void TmainForm::N4Click() {
    program_->DeleteSelectedTask();
}

void TmainForm::N5Click() {
    program_->StopSelectedTask();
}

void TmainForm::lv_taskDblClick() {
    program_->EditSelectedTask();
}

void TmainForm::NotifyRunFailures(const std::string& taskName, int failedFiles) {
    tray_->NotifyRunFailures(taskName, failedFiles);
}

void TmainForm::OpenNewTaskEditor(const std::string& settingsPath) {
    RunTaskEditor(window_, settingsPath, StartNewTask());
}

void TmainForm::OpenEditTaskEditor(const std::string& settingsPath, const TaskRow& row) {
    RunTaskEditor(window_, settingsPath, StartEditTask(row));
}

void TmainForm::OpenCloneTaskEditor(const std::string& settingsPath, const TaskRow& row) {
    RunTaskEditor(window_, settingsPath, StartCloneTask(row));
}

// ---- log pane ------------------------------------------------------------------------------

void TmainForm::AppendLogLines(std::vector<std::string> lines) {
    const HWND log = controls_.LogsSHower;
    SendMessageW(log, WM_SETREDRAW, FALSE, 0);
    for (const std::string& line : lines)
        SendMessageW(log, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(line).c_str()));
    const LRESULT count = SendMessageW(log, LB_GETCOUNT, 0, 0);
    SendMessageW(log, LB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
    SendMessageW(log, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(log, nullptr, TRUE);
}

void TmainForm::ClearLog() {
    SendMessageW(controls_.LogsSHower, LB_RESETCONTENT, 0, 0);
}

// ---- closing -------------------------------------------------------------------------------

// The close step ends the program: the quit request reaches the message loop, or first the
// modal loop of a box or dialog a command waits in, which then ends as if cancelled.
void TmainForm::FormClose() {
    hourlyRequest_->Close();
    program_->Close();
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

} // namespace kolvane::winui
