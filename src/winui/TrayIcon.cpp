#include "winui/TrayIcon.h"

#include "winui/ApplicationWindow.h"
#include "winui/Pictures.h"

#include <cwchar>

namespace kolvane::winui {
namespace {

bool NotificationAreaExists() {
    return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
}

} // namespace

TrayIcon::~TrayIcon() {
    Shell_NotifyIconW(NIM_DELETE, &data_);
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
    if (mouseMessage != WM_LBUTTONDBLCLK || !inTray_)
        return;
    ShowWindow(mainWindow_, SW_SHOW);
    Shell_NotifyIconW(NIM_DELETE, &data_);
    SetWindowPos(ApplicationWindow::Handle(), HWND_TOP, 0, 0, 0, 0, SWP_SHOWWINDOW);
    SetForegroundWindow(mainWindow_);
    inTray_ = false;
}

} // namespace kolvane::winui
