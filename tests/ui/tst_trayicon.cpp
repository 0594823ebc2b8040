#include "ui/TrayIcon.h"

#include <QMainWindow>
#include <QPointer>
#include <QTest>

using kolvane::ui::TrayIcon;

class TestTrayIcon : public QObject {
    Q_OBJECT
    QPointer<QMainWindow> window_;
    const QRect place_{120, 90, 400, 300};

private slots:
    void init() {
        window_ = new QMainWindow;
        window_->setWindowIcon(QIcon(QPixmap(32, 32)));
        window_->setGeometry(place_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
    }
    void cleanup() { delete window_; }

    void minimiseHidesIntoTheTrayOnlyDoubleClickRestoresAndTheIconGoesWithTheWindow() {
        auto* tray = new TrayIcon(
            window_, [] { return true; }, [] { return false; });
        const QPointer<QSystemTrayIcon> icon = tray->systemTrayIcon();
        for (int round = 0; round < 2; ++round) {
            window_->setWindowState(window_->windowState() | Qt::WindowMinimized);
            QTRY_VERIFY(tray->isInTray());
            QVERIFY(!window_->isVisible() && !window_->isMinimized() && icon->isVisible());
            for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                                QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
                emit icon->activated(reason);
                QVERIFY(!window_->isVisible());
            }
            emit icon->activated(QSystemTrayIcon::DoubleClick);
            QVERIFY(window_->isVisible());
            QCOMPARE(window_->geometry(), place_);
            QVERIFY(!icon->isVisible());
        }
        window_->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(tray->isInTray());
        delete window_;
        QVERIFY(icon.isNull());
    }

    void aHostWithoutDoubleClicksRestoresOnTheClick() {
        auto* tray = new TrayIcon(
            window_, [] { return true; }, [] { return true; });
        window_->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(tray->isInTray());
        emit tray->systemTrayIcon()->activated(QSystemTrayIcon::Context);
        QVERIFY(!window_->isVisible());
        emit tray->systemTrayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(window_->isVisible() && !tray->isInTray());
    }

    void withoutATrayOrAPictureMinimiseMinimises() {
        for (const bool trayAvailable : {false, true}) { // with a tray, the window lacks a picture
            window_->setWindowState(Qt::WindowNoState);
            if (trayAvailable)
                window_->setWindowIcon(QIcon());
            auto* tray = new TrayIcon(window_, [trayAvailable] { return trayAvailable; });
            window_->setWindowState(Qt::WindowMinimized);
            QCoreApplication::processEvents();
            QVERIFY(window_->isVisible() && window_->isMinimized());
            QVERIFY(!tray->isInTray() && !tray->systemTrayIcon()->isVisible());
            delete tray;
        }
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
