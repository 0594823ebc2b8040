#include "WinUiTestKit.h"
#include "platform/LoginStart.h"
#include "program/LoginStart.h"
#include "program/TaskColumns.h"
#include "web/HomePage.h"
#include "web/ScriptedServer.h"
#include "winui/ApplicationWindow.h"
#include "winui/CommandLine.h"
#include "winui/TaboutForm.h"
#include "winui/TmainForm.h"
#include "winui/TnewTaskForm.h"
#include "winui/WideText.h"
#include "winui/WindowText.h"

#include <commctrl.h>
#include <memory>

namespace kolvane::testing {
namespace {

using winui::TmainForm;

constexpr char kTwoTasks[] = "[daily]\r\ntaskName=daily\r\ntaskSource=SOURCE\r\ntaskDest=DEST\r\n"
                             "taskautoChild=0\r\ntaskDD=08:30:00\r\nuseDelayM=0\r\ndelayM=60\r\n"
                             "runCount=3\r\n[every]\r\ntaskName=every\r\ntaskSource=SOURCE\r\n"
                             "taskDest=DEST2\r\ntaskautoChild=1\r\ntaskDD=13:26:00\r\n"
                             "useDelayM=1\r\ndelayM=15\r\n";

class MainFormTest : public WinUiTest {
protected:
    void SetUp() override {
        WinUiTest::SetUp();
        source_ = sandbox_ / "source";
        WriteFile(source_ / "a.txt", "alpha");
        WriteFile(source_ / "sub" / "b.txt", "beta");
        // An entry of this run's own, beside the user's real one.
        loginStart_ = {"Kolvane winui " + std::to_string(GetCurrentProcessId()),
                       "example.kolvane.Kolvane", pathOf("Kolvane.exe"), "--autostart"};
    }
    void TearDown() override {
        form_.reset();
        platform::SetStartedAtLogin(loginStart_, false);
        WinUiTest::TearDown();
    }

    void Start(std::string settings, bool startedAtLogin = false) {
        for (const char* placeholder : {"SOURCE", "DEST2", "DEST"}) {
            const std::string path = std::string(placeholder) == "SOURCE"  ? source_.string()
                                     : std::string(placeholder) == "DEST2" ? pathOf("dest2")
                                                                           : pathOf("dest");
            for (auto at = settings.find(placeholder); at != std::string::npos;
                 at = settings.find(placeholder))
                settings.replace(at, std::string(placeholder).size(), path);
        }
        WriteFile(settingsPath(), settings);
        form_ = std::make_unique<TmainForm>(settingsPath(), kLocalHomePage, clock_, loginStart_);
        form_->ShowAtStart(startedAtLogin);
    }
    std::string settingsPath() const { return pathOf("defaultSet.ini"); }
    const TmainForm::Controls& controls() const { return form_->controls(); }
    void Command(int id) { SendMessageW(form_->handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void DoubleClickTable() {
        NMHDR header{controls().lv_task, 0, static_cast<UINT>(NM_DBLCLK)};
        SendMessageW(form_->handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    }
    std::vector<std::string> Log() const { return ListBoxLines(controls().LogsSHower); }

    std::filesystem::path source_;
    std::shared_ptr<SettableClock> clock_ = std::make_shared<SettableClock>(10 * 3600);
    std::unique_ptr<TmainForm> form_;
    platform::LoginStartEntry loginStart_;
};

TEST_F(MainFormTest, StartsWithTheRowsOfTheSettingsFile) {
    Start(kTwoTasks);
    const HWND table = controls().lv_task;
    ASSERT_EQ(RowCount(table), 2);
    const std::vector<std::string> daily{
        "文件拷贝", "daily", source_.string(), pathOf("dest"), "08:30:00", "0", "", "3", ""};
    const std::vector<std::string> every{
        "文件拷贝", "every", source_.string(), pathOf("dest2"), "13:26:00", "1", "", "0", "15"};
    for (int column = 0; column < 9; ++column) {
        EXPECT_EQ(CellText(table, 0, column), daily[column]) << column;
        EXPECT_EQ(CellText(table, 1, column), every[column]) << column;
    }
    const HWND header = reinterpret_cast<HWND>(SendMessageW(table, LVM_GETHEADER, 0, 0));
    ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 9);
    for (int column = 0; column < 9; ++column) {
        EXPECT_EQ(SendMessageW(table, LVM_GETCOLUMNWIDTH, column, 0),
                  program::kTaskColumns[column].width);
        wchar_t caption[64] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = caption;
        item.cchTextMax = 64;
        SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(winui::Utf8(caption), program::kTaskColumns[column].header);
    }
}

TEST_F(MainFormTest, WindowHasThePartsSizesAndNames) {
    Start(kTwoTasks);
    const RECT outer = WindowRectOf(form_->handle());
    EXPECT_EQ(Width(outer), 860);
    EXPECT_EQ(Height(outer), 579);
    EXPECT_EQ(winui::WindowTextOf(form_->handle()), "Kolvane3.0");
    EXPECT_EQ(GetWindow(form_->handle(), GW_OWNER), winui::ApplicationWindow::Handle());
    // Centred on the screen.
    EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 860) / 2, 1);
    EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 579) / 2, 1);

    const HWND toolBar = controls().ToolBar1;
    ASSERT_EQ(SendMessageW(toolBar, TB_BUTTONCOUNT, 0, 0), 6);
    const std::vector<int> widths{75, 75, 8, 75, 8, 75};
    for (int i = 0; i < 6; ++i) {
        RECT item{};
        SendMessageW(toolBar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(Width(item), widths[i]) << i;
    }
    const RECT panelMsg = ClientRectIn(controls().PanelMsg, toolBar);
    EXPECT_EQ(panelMsg.left, 316);
    EXPECT_EQ(Height(panelMsg), 22);
    const RECT speedButton = ClientRectIn(controls().SpeedButton1, controls().PanelMsg);
    EXPECT_EQ(speedButton.left, 360);
    EXPECT_EQ(Width(speedButton), 61);
    EXPECT_EQ(Height(speedButton), 22);
    EXPECT_EQ(winui::WindowTextOf(controls().SpeedButton1), "下载地址");

    EXPECT_EQ(Height(WindowRectOf(toolBar)), 26);
    EXPECT_EQ(Height(WindowRectOf(controls().StatusBar1)), 19);
    EXPECT_EQ(Height(WindowRectOf(controls().Panel2)), 210);
    EXPECT_EQ(Height(WindowRectOf(controls().Splitter1)), 3);
    EXPECT_EQ(SendMessageW(controls().LogsSHower, LB_GETITEMHEIGHT, 0, 0), 13);

    int edges[2] = {};
    ASSERT_EQ(SendMessageW(controls().StatusBar1, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges)),
              2);
    EXPECT_EQ(edges[0], 50);
    wchar_t ready[32] = {};
    SendMessageW(controls().StatusBar1, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(ready));
    EXPECT_EQ(winui::Utf8(ready), "就绪");

    // No component of the advertisement colour is 255.
    const COLORREF colour = form_->advertColour();
    EXPECT_LT(GetRValue(colour), 255);
    EXPECT_LT(GetGValue(colour), 255);
    EXPECT_LT(GetBValue(colour), 255);
}

TEST_F(MainFormTest, SplitterSnapsShutAndKeepsThirtyBelow) {
    Start(kTwoTasks);
    const HWND splitter = controls().Splitter1;
    const auto drag = [&](int distance) {
        SendMessageW(splitter, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 1));
        SendMessageW(splitter, WM_LBUTTONUP, 0, MAKELPARAM(10, 1 + distance));
        return Height(WindowRectOf(controls().Panel2));
    };
    const int paneArea = Height(WindowRectOf(controls().Panel1));
    EXPECT_EQ(drag(-100), 110);
    EXPECT_EQ(drag(-79), 31);
    EXPECT_EQ(drag(-1), 0) << "30 or less snaps shut";
    EXPECT_EQ(drag(2000), paneArea - 3 - 30);
    EXPECT_EQ(Height(WindowRectOf(controls().Panel3)), 30);
}

TEST_F(MainFormTest, RunWithoutSelectionAsksForATask) {
    Start(kTwoTasks);
    for (const int command :
         {winui::kToolButton1, winui::kN1, winui::kN2, winui::kN4, winui::kN5}) {
        boxes_.clear();
        Command(command);
        ASSERT_EQ(boxes_.size(), 1u) << command;
        EXPECT_EQ(boxes_[0].text, "请选择一个任务");
        EXPECT_EQ(boxes_[0].caption, "提示");
        EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
        EXPECT_EQ(boxes_[0].owner, form_->handle());
    }
    DoubleClickTable();
    EXPECT_EQ(boxes_.size(), 1u) << "a double click with no row selected does nothing";
}

TEST_F(MainFormTest, RunByHandCopiesAndShowsProgressAndCompletion) {
    Start(kTwoTasks);
    SelectRow(controls().lv_task, 0);
    Command(winui::kToolButton1);
    const HWND table = controls().lv_task;
    EXPECT_EQ(CellText(table, 0, 7), "4");
    ASSERT_TRUE(PumpUntil([&] { return CellText(table, 0, 6) == "2 / 2" && Log().size() >= 3; }))
        << CellText(table, 0, 6);
    EXPECT_EQ(ReadFile(sandbox_ / "dest" / "a.txt"), "alpha");
    EXPECT_EQ(ReadFile(sandbox_ / "dest" / "sub" / "b.txt"), "beta");
    const std::vector<std::string> log = Log();
    EXPECT_NE(log.back().find("daily"), std::string::npos) << log.back();
    EXPECT_EQ(log.front().rfind("2026-03-01 10:00:00", 0), 0u) << log.front();
    EXPECT_EQ(SendMessageW(controls().LogsSHower, LB_GETCURSEL, 0, 0),
              static_cast<LRESULT>(log.size() - 1));
    EXPECT_NE(ReadFile(settingsPath()).find("runCount=4"), std::string::npos);
}

TEST_F(MainFormTest, ScheduledRunStartsAtTheTaskTime) {
    clock_->secondOfDay = 8 * 3600 + 30 * 60 - 2;
    Start(kTwoTasks);
    const HWND table = controls().lv_task;
    EXPECT_EQ(CellText(table, 0, 7), "3");
    clock_->secondOfDay = 8 * 3600 + 30 * 60;
    ASSERT_TRUE(PumpUntil([&] { return CellText(table, 0, 7) == "4"; }));
    ASSERT_TRUE(PumpUntil([&] { return CellText(table, 0, 6) == "2 / 2"; }));
    EXPECT_EQ(ReadFile(sandbox_ / "dest" / "a.txt"), "alpha");
    EXPECT_EQ(CellText(table, 1, 7), "0") << "the other task is not due";
}

TEST_F(MainFormTest, Timer1RequestsTheHomePageAndTheCloseAbortsTheExchange) {
    using namespace std::chrono_literals;
    ScriptedServer server({{""}}); // never answers
    WriteFile(settingsPath(), "");
    form_ = std::make_unique<TmainForm>(settingsPath(), server.Address(), clock_, loginStart_);
    const winui::WindowTimer& timer = form_->timer1();
    EXPECT_TRUE(timer.active());
    EXPECT_EQ(timer.milliseconds(), 5000);

    // The tick as the system delivers it.
    SendMessageW(timer.handle(), WM_TIMER, 1, 0);
    EXPECT_TRUE(timer.active());
    EXPECT_EQ(timer.milliseconds(), 3600000);
    ASSERT_TRUE(server.WaitForRequests(1, 10s));

    SendMessageW(form_->handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(timer.active());
    EXPECT_TRUE(server.WaitForEndedConnections(1, 10s)) << "the waiting exchange is given up";
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MainFormTest, DeleteAsksAndCancelKeepsTheTask) {
    Start(kTwoTasks);
    SelectRow(controls().lv_task, 0);
    answer_ = IDCANCEL;
    Command(winui::kN4);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "要删除数据吗？");
    EXPECT_EQ(boxes_[0].caption, "提示");
    EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(RowCount(controls().lv_task), 2);
    EXPECT_NE(ReadFile(settingsPath()).find("[daily]"), std::string::npos);

    answer_ = IDOK;
    Command(winui::kN4);
    ASSERT_EQ(RowCount(controls().lv_task), 1);
    EXPECT_EQ(CellText(controls().lv_task, 0, 1), "every");
    EXPECT_EQ(ReadFile(settingsPath()).find("[daily]"), std::string::npos);
}

TEST_F(MainFormTest, EditingARowWhoseTimeDoesNotParseShowsTheGeneralErrorBox) {
    Start("[odd]\r\ntaskName=odd\r\ntaskSource=SOURCE\r\ntaskDest=DEST\r\n");
    SelectRow(controls().lv_task, 0);
    DoubleClickTable();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, "'' is not a valid date and time.");
    EXPECT_EQ(boxes_[0].caption, winui::ApplicationWindow::Title());
    EXPECT_EQ(boxes_[0].type, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(boxes_[0].owner, winui::ApplicationWindow::Handle());
    EXPECT_EQ(RowCount(controls().lv_task), 1);
}

TEST_F(MainFormTest, MinimiseHidesIntoTheTrayAndADoubleClickBringsItBack) {
    Start(kTwoTasks);
    const HWND window = form_->handle();
    const RECT before = WindowRectOf(window);
    // A minimise code with low bits set takes the usual way.
    SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE | 1, 0);
    EXPECT_FALSE(form_->trayIcon().inTray());
    ShowWindow(window, SW_RESTORE);
    SetWindowPos(window, nullptr, before.left, before.top, 860, 579, SWP_NOZORDER);

    SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (!form_->trayIcon().inTray())
        GTEST_SKIP() << "no notification area here";
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(IsWindowVisible(winui::ApplicationWindow::Handle()));
    const NOTIFYICONDATAW& data = form_->trayIcon().data();
    EXPECT_EQ(data.uCallbackMessage, 2024u);
    EXPECT_EQ(data.uID, 1u);
    EXPECT_EQ(data.hWnd, window);
    EXPECT_EQ(std::wstring(data.szTip), L"Kolvane");

    for (const LPARAM other : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDBLCLK})
        SendMessageW(window, 2024, 1, other);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(menus_.empty()) << "only the right button's release opens the menu";
    SendMessageW(window, 2024, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindowVisible(winui::ApplicationWindow::Handle()));
    EXPECT_FALSE(form_->trayIcon().inTray());
    const RECT after = WindowRectOf(window);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(Width(after), 860);
    EXPECT_EQ(Height(after), 579);
}

TEST_F(MainFormTest, PopupMenuEndsWithStop) {
    Start(kTwoTasks);
    const HMENU menu = controls().PopupMenuMain;
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    std::vector<std::string> items;
    for (int at = 0; at < 5; ++at) {
        wchar_t text[32] = {};
        GetMenuStringW(menu, static_cast<UINT>(at), text, 32, MF_BYPOSITION);
        items.push_back(winui::Utf8(text));
    }
    EXPECT_EQ(items,
              (std::vector<std::string>{"运行任务", "克隆任务", "", "删除任务", "停止任务"}));
    EXPECT_EQ(GetMenuItemID(menu, 4), static_cast<UINT>(winui::kN5));
}

// Asked for at once after the start, the stop reaches the job long before its last file.
TEST_F(MainFormTest, StopEndsTheSelectedTasksRunWithTheStoppedLine) {
    for (int file = 0; file < 2000; ++file)
        WriteFile(source_ / ("f" + std::to_string(file)), "x");
    Start(kTwoTasks);
    SelectRow(controls().lv_task, 0);
    Command(winui::kToolButton1);
    Command(winui::kN5);
    ASSERT_TRUE(PumpUntil([&] {
        return !Log().empty() && Log().back().ends_with("任务\"daily\"已停止");
    })) << (Log().empty() ? "" : Log().back());
    EXPECT_TRUE(boxes_.empty());
    for (const std::string& line : Log())
        EXPECT_FALSE(line.ends_with("执行完毕")) << line;
}

// A run that ends with failures is told in a balloon from the tray icon while the window is
// hidden there, and only then: a shown window has its log pane.
TEST_F(MainFormTest, AFailedRunIsToldFromTheTrayOnlyWhileHiddenThere) {
    std::vector<NOTIFYICONDATAW> balloons;
    winui::TrayIcon::SetNoticeResponder(
        [&](const NOTIFYICONDATAW& balloon) { balloons.push_back(balloon); });
    // A directory where each copy should go: neither file can be put in its place.
    WriteFile(sandbox_ / "dest" / "a.txt" / "keep", "");
    WriteFile(sandbox_ / "dest" / "sub" / "b.txt" / "keep", "");
    Start("[bad]\r\ntaskName=bad\r\ntaskSource=SOURCE\r\ntaskDest=DEST\r\ntaskDD=08:30:00\r\n"
          "skipSame=1\r\n");
    const auto summaries = [&] {
        int count = 0;
        for (const std::string& line : Log())
            count += line.size() >= 12 && line.ends_with("失败 2 个");
        return count;
    };
    const auto runAndWait = [&] {
        const int before = summaries();
        SelectRow(controls().lv_task, 0);
        Command(winui::kToolButton1);
        return PumpUntil([&] { return summaries() == before + 1; });
    };
    ASSERT_TRUE(runAndWait()) << (Log().empty() ? "" : Log().back());
    EXPECT_TRUE(balloons.empty());

    SendMessageW(form_->handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    if (!form_->trayIcon().inTray()) {
        winui::TrayIcon::SetNoticeResponder(nullptr);
        GTEST_SKIP() << "no notification area here";
    }
    ASSERT_TRUE(runAndWait());
    winui::TrayIcon::SetNoticeResponder(nullptr);
    ASSERT_EQ(balloons.size(), 1u);
    const NOTIFYICONDATAW& balloon = balloons[0];
    EXPECT_EQ(balloon.cbSize, static_cast<DWORD>(NOTIFYICONDATAW_V2_SIZE));
    EXPECT_EQ(balloon.hWnd, form_->handle());
    EXPECT_EQ(balloon.uID, 1u);
    EXPECT_EQ(balloon.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(balloon.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
    EXPECT_EQ(winui::Utf8(balloon.szInfoTitle), "Kolvane");
    EXPECT_EQ(winui::Utf8(balloon.szInfo), "任务\"bad\"运行结束，2 个文件复制失败");
}

TEST_F(MainFormTest, AboutBoxShowsTheLinkAndEndsWithItsButton) {
    Start(kTwoTasks);
    const HWND mainWindow = form_->handle();
    std::string caption, link;
    RECT client{}, outer{};
    HWND dialog = nullptr;
    WhenWindowOpens(winui::TaboutForm::kClassName, [&](HWND window) {
        dialog = window;
        auto* about = static_cast<winui::TaboutForm*>(winui::FixedDialog::FromWindow(window));
        caption = winui::WindowTextOf(window);
        GetClientRect(window, &client);
        outer = WindowRectOf(window);
        link = winui::WindowTextOf(about->controls().Label3);
        EXPECT_FALSE(IsWindowEnabled(mainWindow)) << "modal over the main window";
        SendMessageW(window, WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(about->controls().Label3), STN_CLICKED),
                     reinterpret_cast<LPARAM>(about->controls().Label3));
        EXPECT_TRUE(IsWindowVisible(window)) << "the link leaves the box open";
        SendMessageW(about->controls().BitBtn1, BM_CLICK, 0, 0);
    });
    Command(winui::kToolButton6);
    ASSERT_TRUE(WindowActionRan());
    EXPECT_EQ(caption, "关于");
    EXPECT_EQ(Width(client), 317);
    EXPECT_EQ(Height(client), 125);
    EXPECT_EQ(link, HomePageAddress);
    ASSERT_EQ(opened_.size(), 1u);
    EXPECT_EQ(opened_[0].first, dialog);
    EXPECT_EQ(opened_[0].second, HomePageAddress);
    const RECT main = WindowRectOf(mainWindow);
    EXPECT_NEAR((outer.left + outer.right) / 2, (main.left + main.right) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, (main.top + main.bottom) / 2, 1);
    EXPECT_TRUE(IsWindowEnabled(mainWindow));

    SendMessageW(controls().SpeedButton1, BM_CLICK, 0, 0);
    ASSERT_EQ(opened_.size(), 2u);
    EXPECT_EQ(opened_[1].first, mainWindow);
}

TEST_F(MainFormTest, StartedAtLoginComesUpInTheTrayAndShowsCentredFromThere) {
    const bool notificationArea = FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
    Start(kTwoTasks, true);
    const HWND window = form_->handle();
    if (!notificationArea) {
        EXPECT_TRUE(IsWindowVisible(window)) << "shown as when started by hand";
        GTEST_SKIP() << "no notification area here";
    }
    ASSERT_TRUE(form_->trayIcon().inTray());
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(IsWindowVisible(winui::ApplicationWindow::Handle()));
    EXPECT_EQ(RowCount(controls().lv_task), 2) << "the program runs while hidden";

    SendMessageW(window, 2024, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(IsWindowVisible(winui::ApplicationWindow::Handle()));
    const RECT outer = WindowRectOf(window);
    EXPECT_EQ(Width(outer), 860);
    EXPECT_EQ(Height(outer), 579);
    EXPECT_NEAR(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 860) / 2, 1);
    EXPECT_NEAR(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 579) / 2, 1);
}

// The icon's menu, as the shell's right click opens it. Its check mark is read from the system
// each time, so it shows an entry that came or went from outside.
TEST_F(MainFormTest, TrayMenuSwitchesTheStartAtLoginAndItsQuitEndsTheProgram) {
    Start(kTwoTasks);
    const HWND window = form_->handle();
    const auto rightClick = [&](LPARAM mouseMessage, int answer) {
        menuAnswer_ = answer;
        SendMessageW(window, 2024, 1, mouseMessage);
        return menus_.empty() ? winui::ShownMenu{} : menus_.back();
    };
    winui::ShownMenu menu = rightClick(WM_RBUTTONUP, 0);
    ASSERT_EQ(menus_.size(), 1u);
    EXPECT_EQ(menu.owner, window);
    ASSERT_EQ(menu.items.size(), 2u);
    EXPECT_EQ(menu.items[0].text, "开机时自动运行");
    EXPECT_EQ(menu.items[1].text, "退出");
    EXPECT_FALSE(menu.items[0].checked) << "off until switched on";
    EXPECT_FALSE(platform::IsStartedAtLogin(loginStart_)) << "a dismissed menu changes nothing";
    const int autostart = menu.items[0].command;
    const int quit = menu.items[1].command;

    rightClick(WM_CONTEXTMENU, autostart);
    EXPECT_TRUE(platform::IsStartedAtLogin(loginStart_));
    EXPECT_TRUE(rightClick(WM_RBUTTONUP, 0).items[0].checked);

    platform::SetStartedAtLogin(loginStart_, false);
    EXPECT_FALSE(rightClick(WM_RBUTTONUP, 0).items[0].checked);
    platform::SetStartedAtLogin(loginStart_, true);
    EXPECT_TRUE(rightClick(WM_RBUTTONUP, autostart).items[0].checked);
    EXPECT_FALSE(platform::IsStartedAtLogin(loginStart_));
    EXPECT_TRUE(IsWindowVisible(window)) << "the menu leaves the window as it was";

    rightClick(WM_RBUTTONUP, quit);
    EXPECT_TRUE(form_->program().closed());
    EXPECT_FALSE(IsWindowVisible(window));
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST(CommandLine, OnlyTheSwitchAsAWordOfItsOwnStartsInTheTray) {
    struct Case {
        const wchar_t* line;
        bool atLogin;
    };
    const Case cases[] = {
        {L"Kolvane.exe", false},
        {L"Kolvane.exe --autostart", true},
        {L"\"C:\\Program Files\\Kolvane\\Kolvane.exe\" --autostart", true},
        {L"Kolvane.exe \"--autostart\"", true},
        {L"\"C:\\a --autostart\\Kolvane.exe\"", false},
        {L"Kolvane.exe --autostart=1", false},
        {L"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(program::StartedAtLogin(winui::CommandLineArguments(c.line)), c.atLogin)
            << winui::Utf8(c.line);
    EXPECT_EQ(winui::CommandLineArguments(L"\"D:\\备份\\Kolvane.exe\" --autostart"),
              (std::vector<std::string>{"D:\\备份\\Kolvane.exe", "--autostart"}));
}

} // namespace
} // namespace kolvane::testing
