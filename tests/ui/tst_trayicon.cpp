#include "support/XServer.h"
#include "ui/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace kolvane::testing;
using kolvane::ui::TrayIcon;

namespace {

// The window Qt embeds into an XEmbed notification area for the icon.
QWidget* TrayIconWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == QStringLiteral("QSystemTrayIconSys") && widget->isVisible())
            return widget;
    return nullptr;
}

bool IconEmbeddedInTheTray() {
    const QWidget* icon = TrayIconWindow();
    return icon && XMapState(icon) == XCB_MAP_STATE_VIEWABLE && XParent(icon->winId()) != XRoot();
}

// No window of the program, the icon aside, is mapped on the X server.
bool NoWindowMappedButTheIcon() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->testAttribute(Qt::WA_WState_Created) && widget != TrayIconWindow() &&
            XMapState(widget) != XCB_MAP_STATE_UNMAPPED)
            return false;
    return true;
}

// A real double click of the left button on the icon, through the X server.
void DoubleClickTheIcon() {
    const QWidget* icon = TrayIconWindow();
    const QPoint centre = icon->rect().center();
    QCOMPARE(
        QProcess::execute(u"xdotool"_qs,
                          {u"mousemove"_qs, u"--window"_qs, QString::number(icon->winId()),
                           QString::number(centre.x()), QString::number(centre.y()), u"click"_qs,
                           u"--repeat"_qs, u"2"_qs, u"--delay"_qs, u"60"_qs, u"1"_qs}),
        0);
}

// Counts the close requests that reach a window.
struct CloseCounter : QObject {
    int closes = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        closes += event->type() == QEvent::Close;
        return false;
    }
};

} // namespace

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

    // The menu of the right button: the login entry, off at first, and the end of the program.
    void contextMenuSwitchesTheLoginEntryAndEndsTheProgram() {
        QTemporaryDir config;
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        auto* tray = new TrayIcon(
            window_, [] { return true; }, [] { return false; });
        QMenu* menu = tray->systemTrayIcon()->contextMenu();
        QVERIFY(menu);
        auto* autostart = menu->findChild<QAction*>(u"autostartAction"_qs);
        auto* quit = menu->findChild<QAction*>(u"quitAction"_qs);
        QVERIFY(autostart && quit);
        QCOMPARE(menu->actions(), (QList<QAction*>{autostart, quit}));
        QCOMPARE(autostart->text() + quit->text(), u"开机时自动运行退出"_qs);
        QVERIFY(autostart->isCheckable() && !autostart->isChecked());

        QFile entry(config.filePath(u"autostart/example.kolvane.Kolvane.desktop"_qs));
        autostart->trigger();
        QVERIFY(autostart->isChecked());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(entry.readAll());
        entry.close();
        QVERIFY2(text.contains(u"\nExec=\""_qs + QCoreApplication::applicationFilePath() +
                               u"\" \"--autostart\"\n"_qs),
                 qPrintable(text));
        autostart->trigger();
        QVERIFY(!autostart->isChecked() && !entry.exists());

        // Switched on elsewhere meanwhile: the menu shows it when it opens.
        QVERIFY(QDir().mkpath(config.filePath(u"autostart"_qs)) &&
                entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nExec=Kolvane\n");
        entry.close();
        emit menu->aboutToShow();
        QVERIFY(autostart->isChecked());
        qunsetenv("XDG_CONFIG_HOME");

        CloseCounter counter;
        window_->installEventFilter(&counter);
        window_->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(tray->isInTray());
        quit->trigger();
        QCOMPARE(counter.closes, 1);
    }

    void startInTrayKeepsANeverShownWindowHiddenUntilTheDoubleClick() {
        for (const bool trayAvailable : {true, false}) {
            QMainWindow window;
            window.setWindowIcon(QIcon(QPixmap(32, 32)));
            auto* tray = new TrayIcon(
                &window, [trayAvailable] { return trayAvailable; }, [] { return false; });
            QCOMPARE(tray->startInTray(), trayAvailable);
            QVERIFY(!window.isVisible());
            QCOMPARE(tray->isInTray() && tray->systemTrayIcon()->isVisible(), trayAvailable);
            if (!trayAvailable)
                continue;
            QVERIFY(!tray->startInTray()); // one icon at most
            emit tray->systemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
            QVERIFY(window.isVisible() && !window.isMinimized() && !tray->isInTray());
            QVERIFY(!tray->systemTrayIcon()->isVisible());
            QVERIFY(!tray->startInTray()); // a shown window goes to the tray by minimising
        }
    }

    void minimiseHidesIntoTheTrayOnlyDoubleClickRestoresAndTheIconGoesWithTheWindow() {
        auto* tray = new TrayIcon(
            window_, [] { return true; }, [] { return false; });
        const QPointer<QSystemTrayIcon> icon = tray->systemTrayIcon();
        for (int round = 0; round < 2; ++round) {
            window_->setWindowState(window_->windowState() | Qt::WindowMinimized);
            QTRY_VERIFY(tray->isInTray());
            QVERIFY(!window_->isVisible() && icon->isVisible());
            for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::Context,
                                QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown}) {
                emit icon->activated(reason);
                QVERIFY(!window_->isVisible());
            }
            emit icon->activated(QSystemTrayIcon::DoubleClick);
            QVERIFY(window_->isVisible() && !window_->isMinimized());
            QTRY_COMPARE(window_->geometry(), place_);
            QVERIFY(!icon->isVisible());
        }
        window_->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(tray->isInTray());
        delete window_;
        QVERIFY(icon.isNull());
    }

    // On a real desktop: the window manager frames the window and the tray host embeds the icon.
    void onADesktopMinimiseUnmapsTheWindowAndADoubleClickOnTheIconBringsItBack() {
        if (!OnRealDesktop())
            QSKIP("needs a window manager and a notification area (on_desktop.sh)");
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
        auto* tray = new TrayIcon(window_);
        QTRY_VERIFY(XMapState(window_) == XCB_MAP_STATE_VIEWABLE && WindowManagerCaughtUp());
        const QRect outer = XOuterRect(window_);
        for (int round = 0; round < 2; ++round) {
            window_->showMinimized();
            QTRY_VERIFY(tray->isInTray());
            QTRY_VERIFY(IconEmbeddedInTheTray());
            QVERIFY(WindowManagerCaughtUp());
            QVERIFY(NoWindowMappedButTheIcon());

            DoubleClickTheIcon();
            QTRY_VERIFY(!tray->isInTray());
            QTRY_VERIFY(XMapState(window_) == XCB_MAP_STATE_VIEWABLE && WindowManagerCaughtUp());
            QTRY_COMPARE(XOuterRect(window_), outer);
            QVERIFY(!window_->isMinimized());
            QVERIFY(TrayIconWindow() == nullptr);
        }
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

    void failuresAreNotifiedOnlyWhileInTheTray() {
        std::vector<kolvane::program::Notice> notices;
        TrayIcon::SetNoticeResponder(
            [&](const kolvane::program::Notice& notice) { notices.push_back(notice); });
        auto* tray = new TrayIcon(
            window_, [] { return true; }, [] { return false; });
        QVERIFY(!tray->NotifyRunFailures("夜间", 3));
        window_->setWindowState(Qt::WindowMinimized);
        QTRY_VERIFY(tray->isInTray());
        QVERIFY(tray->NotifyRunFailures("夜间", 3));
        emit tray->systemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(!tray->NotifyRunFailures("夜间", 4));
        TrayIcon::SetNoticeResponder({});
        QCOMPARE(notices.size(), 1u);
        QCOMPARE(QString::fromStdString(notices[0].title), u"Kolvane"_qs);
        QCOMPARE(QString::fromStdString(notices[0].text),
                 u"任务\"夜间\"运行结束，3 个文件复制失败"_qs);
    }

    void withoutATrayOrAPictureMinimiseMinimises() {
        for (const bool trayAvailable : {false, true}) { // with a tray, the window lacks a picture
            window_->setWindowState(Qt::WindowNoState);
            QTRY_VERIFY(!window_->isMinimized()); // a window manager answers later
            if (trayAvailable)
                window_->setWindowIcon(QIcon());
            auto* tray = new TrayIcon(window_, [trayAvailable] { return trayAvailable; });
            window_->setWindowState(Qt::WindowMinimized);
            QCoreApplication::processEvents();
            QTRY_VERIFY(window_->isVisible() && window_->isMinimized());
            QVERIFY(!tray->isInTray() && !tray->systemTrayIcon()->isVisible());
            delete tray;
        }
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_trayicon.moc"
