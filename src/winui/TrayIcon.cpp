#include "winui/TrayIcon.h"

#include "program/LoginStart.h"
#include "program/RunFailureNotice.h"
#include "winui/ApplicationWindow.h"
#include "winui/Pictures.h"
#include "winui/PopupMenus.h"
#include "winui/WideText.h"

#include <cwchar>
#include <utility>

namespace kolvane::winui {
namespace {

bool NotificationAreaExists() {
    return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

HMENU CreateTrayMenu() {
    const HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kAutostartItem, L"开机时自动运行");
    AppendMenuW(menu, MF_STRING, kQuitItem, L"退出");
    return menu;
}

TrayIcon::NoticeResponder& Responder() {
    static TrayIcon::NoticeResponder responder;
    return responder;
}

// Copies as much of `text` as the field holds, always ending it.
template <std::size_t Size> void CopyInto(wchar_t (&field)[Size], const std::string& text) {
    std::wcsncpy(field, Wide(text).c_str(), Size - 1);
    field[Size - 1] = L'\0';
}

} // namespace

TrayIcon::TrayIcon(HWND mainWindow, platform::LoginStartEntry loginStart)
    : mainWindow_(mainWindow), loginStart_(std::move(loginStart)), menu_(CreateTrayMenu()) {}

void TrayIcon::SetNoticeResponder(NoticeResponder responder) {
    Responder() = std::move(responder);
}

bool TrayIcon::NotifyRunFailures(const std::string& taskName, int failedFiles) const {
    if (!inTray_)
        return false;
    const program::Notice notice = program::RunFailureNotice(taskName, failedFiles);
    // A change of the icon added before: the balloon fields need the record's second form, which
    // every shell that shows balloons knows.
    NOTIFYICONDATAW balloon{};
    balloon.cbSize = NOTIFYICONDATAW_V2_SIZE;
    balloon.hWnd = mainWindow_;
    balloon.uID = data_.uID;
    balloon.uFlags = NIF_INFO;
    CopyInto(balloon.szInfoTitle, notice.title);
    CopyInto(balloon.szInfo, notice.text);
    balloon.dwInfoFlags = NIIF_WARNING;
    if (Responder())
        Responder()(balloon);
    else
        Shell_NotifyIconW(NIM_MODIFY, &balloon);
    return true;
}

TrayIcon::~TrayIcon() {
    Shell_NotifyIconW(NIM_DELETE, &data_);
    DestroyMenu(menu_);
}

bool TrayIcon::HideIntoTray() {
    if (inTray_ || !NotificationAreaExists())
        return false;
    data_ = NOTIFYICONDATAW{};
    // The first, shortest form of the record: every shell knows it.
    data_.cbSize = NOTIFYICONDATAW_V1_SIZE;
    data_.hWnd = mainWindow_;
    data_.uID = 1;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = kCallbackMessage;
    data_.hIcon = ApplicationIconSmall();
    std::wcsncpy(data_.szTip, L"Kolvane", 63);
    if (!Shell_NotifyIconW(NIM_ADD, &data_))
        return false;
    SetWindowPos(ApplicationWindow::Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_HIDEWINDOW);
    ShowWindow(mainWindow_, SW_HIDE);
    inTray_ = true;
    return true;
}

void TrayIcon::TrayIconMsg(LPARAM mouseMessage) {
    // The record's first form gets the button's release; later forms of the shell's protocol
    // send the context-menu message instead.
    if (mouseMessage == WM_RBUTTONUP || mouseMessage == WM_CONTEXTMENU) {
        OpenMenu();
        return;
    }
    if (mouseMessage != WM_LBUTTONDBLCLK || !inTray_)
        return;
    ShowWindow(mainWindow_, SW_SHOW);
    Shell_NotifyIconW(NIM_DELETE, &data_);
    SetWindowPos(ApplicationWindow::Handle(), HWND_TOP, 0, 0, 0, 0, SWP_SHOWWINDOW);
    SetForegroundWindow(mainWindow_);
    inTray_ = false;
}

// The entry may have come or gone since the menu was last open (another instance, the user in
// the Startup folder): the check mark shows what is there now.
void TrayIcon::OpenMenu() {
    CheckMenuItem(menu_, kAutostartItem,
                  MF_BYCOMMAND |
                      (platform::IsStartedAtLogin(loginStart_) ? MF_CHECKED : MF_UNCHECKED));
    POINT cursor{};
    GetCursorPos(&cursor);
    const int command = ChooseFromPopupMenu(menu_, mainWindow_, cursor);
    if (command != 0)
        SendMessageW(mainWindow_, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void TrayIcon::SwitchStartAtLogin() {
    program::SwitchStartedAtLogin(loginStart_, !platform::IsStartedAtLogin(loginStart_));
}

} // namespace kolvane::winui
