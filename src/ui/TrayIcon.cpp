#include "ui/TrayIcon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QSignalBlocker>
#include <QTimer>
#include <QWindow>
#include <QWindowStateChangeEvent>

namespace kolvane::ui {
namespace {

TrayIcon::NoticeResponder& Responder() {
    static TrayIcon::NoticeResponder responder;
    return responder;
}

// Long enough to be read; the host may keep it shorter or longer.
constexpr int kNoticeMilliseconds = 10000;

} // namespace

void TrayIcon::SetNoticeResponder(NoticeResponder responder) {
    Responder() = std::move(responder);
}

TrayIcon::TrayIcon(QMainWindow* mainWindow, TrayAvailability trayAvailable,
                   SingleClickHost hostSendsOnlySingleClicks, platform::LoginStartEntry loginStart)
    : QObject(mainWindow), mainWindow_(mainWindow), icon_(new QSystemTrayIcon(this)),
      trayAvailable_(std::move(trayAvailable)),
      hostSendsOnlySingleClicks_(std::move(hostSendsOnlySingleClicks)),
      loginStart_(std::move(loginStart)) {
    icon_->setToolTip(QStringLiteral("Kolvane"));
    connect(icon_, &QSystemTrayIcon::activated, this, &TrayIcon::TrayIconMsg);
    BuildContextMenu();
    mainWindow_->installEventFilter(this);
}

void TrayIcon::BuildContextMenu() {
    // A child of the window, not of the icon: a menu is a widget, and goes with the window.
    auto* menu = new QMenu(mainWindow_);
    menu->setObjectName(QStringLiteral("trayMenu"));
    autostartAction_ = menu->addAction(QStringLiteral("开机时自动运行"));
    autostartAction_->setObjectName(QStringLiteral("autostartAction"));
    autostartAction_->setCheckable(true);
    connect(autostartAction_, &QAction::toggled, this, &TrayIcon::AutostartToggled);
    QAction* quit = menu->addAction(QStringLiteral("退出"), mainWindow_, &QWidget::close);
    quit->setObjectName(QStringLiteral("quitAction"));
    // The entry may have come or gone meanwhile (another instance, the desktop's settings).
    connect(menu, &QMenu::aboutToShow, this, &TrayIcon::ShowAutostartState);
    ShowAutostartState();
    icon_->setContextMenu(menu);
}

void TrayIcon::AutostartToggled(bool on) {
    const QSignalBlocker quiet(autostartAction_);
    autostartAction_->setChecked(program::SwitchStartedAtLogin(loginStart_, on));
}

void TrayIcon::ShowAutostartState() {
    const QSignalBlocker quiet(autostartAction_);
    autostartAction_->setChecked(platform::IsStartedAtLogin(loginStart_));
}

bool TrayIcon::startInTray() {
    if (inTray_ || mainWindow_->isVisible() || !canShowIcon())
        return false;
    stateBeforeTray_ = Qt::WindowNoState;
    // Never shown, the window has no place yet: its first show places it as usual.
    geometryBeforeTray_ = QRect();
    showIcon();
    return true;
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && watched == mainWindow_->windowHandle() &&
        mainWindow_->windowHandle()->isExposed())
        awaitingShownWindow_ = false;
    // A report of the window system during a restore is not the user's minimise; the program's
    // own minimise always is.
    const bool reportDuringRestore = awaitingShownWindow_ && event->spontaneous();
    if (watched == mainWindow_ && event->type() == QEvent::WindowStateChange && !inTray_ &&
        !reportDuringRestore && mainWindow_->isMinimized() && canShowIcon()) {
        const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
        // Hiding inside the state change would fight the window manager's own minimise handling.
        QTimer::singleShot(0, this, [this, before] { hideIntoTray(before); });
    }
    return QObject::eventFilter(watched, event);
}

bool TrayIcon::NotifyRunFailures(const std::string& taskName, int failedFiles) {
    if (!inTray_)
        return false;
    const program::Notice notice = program::RunFailureNotice(taskName, failedFiles);
    if (Responder())
        Responder()(notice);
    else
        icon_->showMessage(QString::fromStdString(notice.title),
                           QString::fromStdString(notice.text), QSystemTrayIcon::Warning,
                           kNoticeMilliseconds);
    return true;
}

bool TrayIcon::TrayHostSendsOnlySingleClicks() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus != nullptr &&
           bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")).value();
}

bool TrayIcon::canShowIcon() const {
    // Without a picture the shell shows no icon, and the hidden window could not be brought back.
    return trayAvailable_() && !mainWindow_->windowIcon().isNull();
}

void TrayIcon::hideIntoTray(Qt::WindowStates stateBefore) {
    if (inTray_ || !mainWindow_->isMinimized())
        return;
    awaitingShownWindow_ = false;
    stateBeforeTray_ = stateBefore & ~Qt::WindowMinimized;
    geometryBeforeTray_ = mainWindow_->normalGeometry();
    // The window keeps its minimised state while hidden: leaving that state maps the window on
    // X11, and a window mapped right after hiding stays on screen, framed and unpainted.
    mainWindow_->hide();
    showIcon();
}

void TrayIcon::showIcon() {
    icon_->setIcon(mainWindow_->windowIcon());
    icon_->show();
    inTray_ = true;
}

void TrayIcon::TrayIconMsg(QSystemTrayIcon::ActivationReason reason) {
    // Single clicks, the context button and the middle button do nothing here; the shell opens
    // the context menu by itself.
    // A host that never reports a double click gets its activation, the single click, instead.
    if (!inTray_)
        return;
    if (reason == QSystemTrayIcon::DoubleClick ||
        (reason == QSystemTrayIcon::Trigger && hostSendsOnlySingleClicks_()))
        restoreFromTray();
}

// On X11 the hidden window keeps the hint of an iconified start that minimising gave it, and
// Qt rewrites the hint only when the window leaves the minimised state, after mapping it. So the
// window is first shown minimised, which the window manager takes back as an icon whatever it
// read, and then restored as any minimised window is. (Restored straight from hidden, it was
// mapped with the old hint: a window manager that read the hint before Qt rewrote it kept the
// window iconified, and one whose minimised state a window-manager report had already cleared
// was never asked to leave it.) Until the window manager shows the window, a report that it is
// still minimised is a leftover of the icon, not the user's minimise.
void TrayIcon::restoreFromTray() {
    // The native window is the one whose exposure ends a restore; a window started in the tray
    // has none until now.
    mainWindow_->winId();
    mainWindow_->windowHandle()->installEventFilter(this);
    awaitingShownWindow_ = true;
    mainWindow_->setWindowState(mainWindow_->windowState() | Qt::WindowMinimized);
    mainWindow_->show();
    mainWindow_->setWindowState(stateBeforeTray_);
    if (geometryBeforeTray_.isValid() &&
        !stateBeforeTray_.testAnyFlags(Qt::WindowMaximized | Qt::WindowFullScreen))
        mainWindow_->setGeometry(geometryBeforeTray_);
    mainWindow_->raise();
    mainWindow_->activateWindow();
    icon_->hide();
    inTray_ = false;
}

} // namespace kolvane::ui
