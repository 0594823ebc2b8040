#include "ui/TrayIcon.h"

#include <QMainWindow>
#include <QPointer>
#include <QTest>

using kolvane::ui::TrayIcon;

namespace {

bool TrayAvailable() {
    return true;
}
bool NoTray() {
    return false;
}

} // namespace

class TestTrayIcon : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void minimiseHidesIntoTheTrayAndDoubleClickRestores();
    void otherActivationsDoNothing_data();
    void otherActivationsDoNothing();
    void withoutATrayMinimiseMinimises();
    void iconGoesWithTheWindow();
    void realTrayWhereThePlatformHasOne();

private:
    void minimise();
    void hideIntoTray(TrayIcon* tray);

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

void TestTrayIcon::minimise() {
    window_->setWindowState(window_->windowState() | Qt::WindowMinimized);
}

void TestTrayIcon::hideIntoTray(TrayIcon* tray) {
    minimise();
    QTRY_VERIFY(tray->isInTray());
    QVERIFY(!window_->isVisible());
    QVERIFY(!window_->isMinimized());
    QVERIFY(tray->systemTrayIcon()->isVisible());
    QCOMPARE(tray->systemTrayIcon()->toolTip(), QStringLiteral("Kolvane"));
}

void TestTrayIcon::minimiseHidesIntoTheTrayAndDoubleClickRestores() {
    auto* tray = new TrayIcon(window_, &TrayAvailable);
    for (int round = 0; round < 2; ++round) {
        hideIntoTray(tray);
        emit tray->systemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(window_->isVisible());
        QVERIFY(!window_->isMinimized());
        QCOMPARE(window_->geometry(), place_);
        QVERIFY(!tray->systemTrayIcon()->isVisible());
        QVERIFY(!tray->isInTray());
    }
}

void TestTrayIcon::otherActivationsDoNothing_data() {
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::newRow("single click") << QSystemTrayIcon::Trigger;
    QTest::newRow("context button") << QSystemTrayIcon::Context;
    QTest::newRow("middle button") << QSystemTrayIcon::MiddleClick;
    QTest::newRow("unknown") << QSystemTrayIcon::Unknown;
}

void TestTrayIcon::otherActivationsDoNothing() {
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    auto* tray = new TrayIcon(window_, &TrayAvailable);
    hideIntoTray(tray);
    emit tray->systemTrayIcon()->activated(reason);
    QVERIFY(!window_->isVisible());
    QVERIFY(tray->systemTrayIcon()->isVisible());
}

void TestTrayIcon::withoutATrayMinimiseMinimises() {
    auto* tray = new TrayIcon(window_, &NoTray);
    minimise();
    QCoreApplication::processEvents();
    QVERIFY(window_->isVisible());
    QVERIFY(window_->isMinimized());
    QVERIFY(!tray->isInTray());
    QVERIFY(!tray->systemTrayIcon()->isVisible());
}

void TestTrayIcon::iconGoesWithTheWindow() {
    auto* tray = new TrayIcon(window_, &TrayAvailable);
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
    emit tray->systemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(window_->isVisible());
    QCOMPARE(window_->geometry(), place_);
}

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
