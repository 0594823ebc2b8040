#include "ui/TrayIcon.h"

#include <QMainWindow>
#include <QPointer>
#include <QTest>

using kolvane::ui::TrayIcon;

class TestTrayIcon : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void minimiseHidesIntoTheTrayAndOnlyDoubleClickRestores();
    void withoutATrayOrAPictureMinimiseMinimises();
    void iconGoesWithTheWindow();
    void realTrayWhereThePlatformHasOne();

private:
    void hideIntoTray(TrayIcon* tray);
    void restore(TrayIcon* tray);

    QPointer<QMainWindow> window_;
    const QRect place_{120, 90, 400, 300};
};

void TestTrayIcon::init() {
    window_ = new QMainWindow;
    window_->setWindowIcon(QIcon(QPixmap(32, 32)));
    window_->setGeometry(place_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
}

void TestTrayIcon::cleanup() {
    delete window_;
}

void TestTrayIcon::hideIntoTray(TrayIcon* tray) {
    window_->setWindowState(window_->windowState() | Qt::WindowMinimized);
    QTRY_VERIFY(tray->isInTray());
    QVERIFY(!window_->isVisible());
    QVERIFY(!window_->isMinimized());
    QVERIFY(tray->systemTrayIcon()->isVisible());
    QCOMPARE(tray->systemTrayIcon()->toolTip(), QStringLiteral("Kolvane"));
}

void TestTrayIcon::restore(TrayIcon* tray) {
    emit tray->systemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(window_->isVisible());
    QCOMPARE(window_->geometry(), place_);
    QVERIFY(!tray->systemTrayIcon()->isVisible());
}

void TestTrayIcon::minimiseHidesIntoTheTrayAndOnlyDoubleClickRestores() {
    auto* tray = new TrayIcon(window_, [] { return true; });
    for (int round = 0; round < 2; ++round) {
        hideIntoTray(tray);
        for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                            QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
            emit tray->systemTrayIcon()->activated(reason);
            QVERIFY(!window_->isVisible());
        }
        restore(tray);
    }
}

void TestTrayIcon::withoutATrayOrAPictureMinimiseMinimises() {
    auto* noTray = new TrayIcon(window_, [] { return false; });
    window_->setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    QVERIFY(window_->isVisible());
    QVERIFY(window_->isMinimized());
    QVERIFY(!noTray->systemTrayIcon()->isVisible());

    delete noTray;
    window_->setWindowState(Qt::WindowNoState);
    window_->setWindowIcon(QIcon());
    auto* noPicture = new TrayIcon(window_, [] { return true; });
    window_->setWindowState(Qt::WindowMinimized);
    QCoreApplication::processEvents();
    QVERIFY(window_->isVisible());
    QVERIFY(!noPicture->isInTray());
}

void TestTrayIcon::iconGoesWithTheWindow() {
    auto* tray = new TrayIcon(window_, [] { return true; });
    hideIntoTray(tray);
    const QPointer<QSystemTrayIcon> icon = tray->systemTrayIcon();
    delete window_;
    QVERIFY(icon.isNull());
}

void TestTrayIcon::realTrayWhereThePlatformHasOne() {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        QSKIP("this platform has no notification area");
    auto* tray = new TrayIcon(window_);
    hideIntoTray(tray);
    restore(tray);
}

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
