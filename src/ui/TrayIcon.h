#pragma once

#include "platform/LoginStart.h"
#include "program/LoginStart.h"
#include "program/RunFailureNotice.h"

#include <QObject>
#include <QRect>
#include <QSystemTrayIcon>
#include <functional>
#include <string>

class QAction;
class QMainWindow;

namespace kolvane::ui {

// Minimising the main window hides it into an icon in the notification area; a double click on
// the icon brings the window back at its former place and size and removes the icon. Where there
// is no notification area (or no picture for the icon) the window minimises as usual, so it can
// never be lost. Hosts that report an activation only as a single click (the StatusNotifier
// trays of most current desktops) restore on that click instead. The icon is a child of this
// object, which is a child of the window, so it goes when the window is destroyed.
// The icon's context menu (the right button) switches the start at login and ends the program.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    using TrayAvailability = std::function<bool()>;
    using SingleClickHost = std::function<bool()>;
    // Every notice shown from the icon goes through here. With a responder set (tests only) no
    // notice is shown: the responder sees what would have been.
    using NoticeResponder = std::function<void(const program::Notice&)>;
    static void SetNoticeResponder(NoticeResponder responder);

    explicit TrayIcon(QMainWindow* mainWindow,
                      TrayAvailability trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable,
                      SingleClickHost hostSendsOnlySingleClicks = &TrayHostSendsOnlySingleClicks,
                      platform::LoginStartEntry loginStart = program::LoginStartOfThisProgram());

    // Puts a window that was never shown straight into the tray, as a program started at login
    // comes up. False, with nothing done, where no icon can be shown.
    bool startInTray();

    // A run that ended with failures is told from the icon while the window is hidden in the
    // tray; a shown window has its log pane. True when a notice was shown.
    bool NotifyRunFailures(const std::string& taskName, int failedFiles);

    // Whether the notification area is a StatusNotifier host, which never reports a double click.
    static bool TrayHostSendsOnlySingleClicks();

    QSystemTrayIcon* systemTrayIcon() const { return icon_; }
    bool isInTray() const { return inTray_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildContextMenu();
    void AutostartToggled(bool on);
    void ShowAutostartState();
    bool canShowIcon() const;
    void hideIntoTray(Qt::WindowStates stateBefore);
    void showIcon();
    void TrayIconMsg(QSystemTrayIcon::ActivationReason reason);
    void restoreFromTray();

    QMainWindow* mainWindow_;
    QSystemTrayIcon* icon_;
    TrayAvailability trayAvailable_;
    SingleClickHost hostSendsOnlySingleClicks_;
    platform::LoginStartEntry loginStart_;
    QAction* autostartAction_ = nullptr;
    Qt::WindowStates stateBeforeTray_;
    QRect geometryBeforeTray_;
    bool inTray_ = false;
    bool awaitingShownWindow_ = false; // from a restore until the window is exposed again
};

} // namespace kolvane::ui
