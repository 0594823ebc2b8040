#include "ui/TrayIcon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>
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
    if (watched == mainWindow_ && event->type() == QEvent::WindowStateChange && !inTray_ &&
        mainWindow_->isMinimized() && canShowIcon()) {
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
    stateBeforeTray_ = stateBefore & ~Qt::WindowMinimized;
    geometryBeforeTray_ = mainWindow_->normalGeometry();
    // The window keeps its minimised state while hidden: leaving that state maps the window on
    // X11, and a window mapped right after hiding stays on screen, framed and unpainted.
    mainWindow_->hide();
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

void TrayIcon::restoreFromTray() {
    mainWindow_->setWindowState(stateBeforeTray_);
    if (!stateBeforeTray_.testAnyFlags(Qt::WindowMaximized | Qt::WindowFullScreen))
        mainWindow_->setGeometry(geometryBeforeTray_);
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
    icon_->hide();
    inTray_ = false;
}

} // namespace kolvane::ui
