#include "winui/TrayIcon.h"

#include "program/RunFailureNotice.h"
#include "winui/ApplicationWindow.h"
#include "winui/Pictures.h"
#include "winui/WideText.h"

#include <cwchar>

namespace kolvane::winui {
namespace {

bool NotificationAreaExists() {
    return FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr;
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
