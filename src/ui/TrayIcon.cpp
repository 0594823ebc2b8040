#include "ui/TrayIcon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>
#include <QWindowStateChangeEvent>

namespace kolvane::ui {

TrayIcon::TrayIcon(QMainWindow* mainWindow, TrayAvailability trayAvailable,
                   SingleClickHost hostSendsOnlySingleClicks)
    : QObject(mainWindow), mainWindow_(mainWindow), icon_(new QSystemTrayIcon(this)),
      trayAvailable_(std::move(trayAvailable)),
      hostSendsOnlySingleClicks_(std::move(hostSendsOnlySingleClicks)) {
    icon_->setToolTip(QStringLiteral("Kolvane"));
    connect(icon_, &QSystemTrayIcon::activated, this, &TrayIcon::TrayIconMsg);
    mainWindow_->installEventFilter(this);
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
    // The native window exists now; it is the one whose exposure ends a restore.
    mainWindow_->windowHandle()->installEventFilter(this);
    icon_->setIcon(mainWindow_->windowIcon());
    icon_->show();
    inTray_ = true;
}

void TrayIcon::TrayIconMsg(QSystemTrayIcon::ActivationReason reason) {
    // Single clicks, the context button and the middle button do nothing; there is no menu.
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
    awaitingShownWindow_ = true;
    mainWindow_->setWindowState(mainWindow_->windowState() | Qt::WindowMinimized);
    mainWindow_->show();
    mainWindow_->setWindowState(stateBeforeTray_);
    if (!stateBeforeTray_.testAnyFlags(Qt::WindowMaximized | Qt::WindowFullScreen))
        mainWindow_->setGeometry(geometryBeforeTray_);
    mainWindow_->raise();
    mainWindow_->activateWindow();
    icon_->hide();
    inTray_ = false;
}

} // namespace kolvane::ui
