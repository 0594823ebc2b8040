#pragma once

#include "platform/LoginStart.h"

// windows.h declares what the other system headers use.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <functional>
#include <string>

namespace kolvane::winui {

// The commands of the icon's menu, sent to the main window as WM_COMMAND.
enum TrayCommand : int {
    kAutostartItem = 1301, // "开机时自动运行"
    kQuitItem = 1302,      // "退出"
};

// The notification-area icon of the main window. Minimising hides the program into it; a left
// double click on it brings the window back at its place and size; a right click opens its menu,
// which switches the start at login and ends the program.
class TrayIcon {
public:
    static constexpr UINT kCallbackMessage = WM_USER + 1000; // 2024

    // Every balloon notice of the icon goes through here. With a responder set (tests only) the
    // shell is not called: the responder sees the record it would have been given.
    using NoticeResponder = std::function<void(const NOTIFYICONDATAW& notice)>;
    static void SetNoticeResponder(NoticeResponder responder);

    TrayIcon(HWND mainWindow, platform::LoginStartEntry loginStart);
    // Removes the icon, whether or not there is one (FormDestroy).
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // Hides the program into the notification area. False, with nothing changed, where there is
    // no notification area or the shell refuses the icon: the window then minimises as usual, so
    // that it can always be brought back.
    bool HideIntoTray();
    // The tray callback message's lParam: the mouse message over the icon.
    void TrayIconMsg(LPARAM mouseMessage);
    // kAutostartItem: the entry that starts the program at login goes if it is there, else comes.
    void SwitchStartAtLogin();

    // A run that ended with failures is told in a balloon from the icon while the window is
    // hidden in the tray; a shown window has its log pane. True when a notice was given.
    bool NotifyRunFailures(const std::string& taskName, int failedFiles) const;

    bool inTray() const { return inTray_; }
    const NOTIFYICONDATAW& data() const { return data_; }

private:
    void OpenMenu();

    HWND mainWindow_;
    platform::LoginStartEntry loginStart_;
    HMENU menu_;
    NOTIFYICONDATAW data_{};
    bool inTray_ = false;
};

} // namespace kolvane::winui
