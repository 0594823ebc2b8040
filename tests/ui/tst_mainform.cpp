#include "support/UiTestSupport.h"
#include "support/XServer.h"
#include "ui/HomePageLink.h"
#include "ui/KolvaneApplication.h"
#include "ui/TaboutForm.h"
#include "ui/TmainForm.h"
#include "ui/TnewTaskForm.h"
#include "ui/TrayIcon.h"
#include "ui/WindowLook.h"
#include "web/HomePage.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <atomic>
#include <set>

using namespace Qt::Literals::StringLiterals;
using namespace kolvane;
using namespace kolvane::testing;
using namespace kolvane::ui;

namespace {

// A clock the test sets; jobs read it from their threads.
struct FakeClock final : Clock {
    explicit FakeClock(int secondOfDay) : secondOfDay(secondOfDay) {}
    static LocalDateTime At(int s) { return {2026, 3, 1, s / 3600, s / 60 % 60, s % 60}; }
    LocalDateTime Now() const override { return At(secondOfDay); }
    std::atomic<int> secondOfDay;
};

QByteArray Section(const QByteArray& section, const QByteArray& name,
                   const QByteArray& extra = {}) {
    return "[" + section + "]\ntaskName=" + name + "\ntaskSource=/nowhere\ntaskDest=/nowhere\n" +
           "taskDD=03:00:00\n" + extra;
}

// The main window over the test's own settings file, written first, with the tests' ways in.
struct Window : TmainForm {
    Window(const UiSandbox& sandbox, const QByteArray& settings,
           std::shared_ptr<const Clock> clock = std::make_shared<SystemClock>())
        : TmainForm((sandbox.writeSettings(settings), sandbox.settingsPath()), kLocalHomePage,
                    std::move(clock)) {}
    template <typename T> T* child(const QString& name) { return findChild<T*>(name); }
    QTreeView* table() { return child<QTreeView>(u"lv_task"_s); }
    QString cell(int r, int c) { return table()->model()->index(r, c).data().toString(); }
    void selectRow(int row) { table()->setCurrentIndex(table()->model()->index(row, 0)); }
    QAbstractItemModel* log() { return child<QListView>(u"LogsSHower"_s)->model(); }
    QString lastLogLine() { return log()->index(log()->rowCount() - 1, 0).data().toString(); }
};

// A log line names a file of the source; none is read.
std::string SourceFile(int index) {
    return QDir(QDir::tempPath()).filePath(QStringLiteral("src/f%1").arg(index)).toStdString();
}

JobEvent Progress(const std::string& job, int index, int total) {
    return {JobEvent::Kind::Progress, job, SourceFile(index), total, index};
}

constexpr int kProgressColumn = 6;
constexpr int kRunCountColumn = 7;

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT
    UiSandbox sandbox_;

private slots:
    void init() { QVERIFY((sandbox_ = {}).isValid()); }

    void commandsWithoutSelection_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("run button") << u"ToolButton1"_s;
        QTest::newRow("run menu item") << u"N1"_s;
        QTest::newRow("clone menu item") << u"N2"_s;
        QTest::newRow("delete menu item") << u"N4"_s;
        QTest::newRow("stop menu item") << u"N5"_s;
        QTest::newRow("double click below the rows is silent") << u"lv_task"_s;
    }

    void commandsWithoutSelection() {
        QFETCH(QString, command);
        Window form(sandbox_, Section("a", "a", "runCount=4\n"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        MessageBoxAnswerer answerer;
        QWidget* viewport = form.table()->viewport();
        bool dialogOpened = false;
        // An editor opened by mistake would hold the test in its loop; close it and remember.
        QTimer::singleShot(0, &form, [&] {
            if (auto* dialog = QApplication::activeModalWidget())
                dialogOpened = dialog->close();
        });

        if (auto* button = form.child<QToolButton>(command))
            QTest::mouseClick(button, Qt::LeftButton);
        else if (auto* action = form.child<QAction>(command))
            action->trigger();
        else
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(20, viewport->height() - 5));

        QVERIFY(!dialogOpened);
        QCOMPARE(answerer.requests.size(), size_t{command != u"lv_task"_s});
        for (const auto& request : answerer.requests) {
            QCOMPARE(request.caption + request.text, u"提示请选择一个任务"_s);
            QVERIFY(request.icon == QMessageBox::Information && request.buttons == QMessageBox::Ok);
        }
        QCOMPARE(sandbox_.readSettings(), Section("a", "a", "runCount=4\n"));
        QCOMPARE(form.cell(0, kRunCountColumn), u"4"_s);
    }

    // The outer size, frame included, is 860 x 579 once a window manager has framed the window.
    void onADesktopTheFramedWindowIsCentredAtItsOuterSize() {
        if (!OnRealDesktop())
            QSKIP("needs a window manager (on_desktop.sh)");
        Window form(sandbox_, Section("a", "a"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QRect screen = form.screen()->availableGeometry();
        const QRect wanted(screen.center() - QPoint(430, 289), QSize(860, 579));
        QTRY_COMPARE(XOuterRect(&form), wanted);
        QVERIFY(WindowManagerCaughtUp());
        QCOMPARE(XOuterRect(&form), wanted);
        QVERIFY(form.geometry().width() < 860 && form.geometry().height() < 579);
    }

    // Started at login the window comes up hidden in the tray where there is one, and its first
    // showing places it as usual; started by hand, or without a tray, it shows at once.
    void startedAtLoginComesUpInTheTrayWhereThereIsOne() {
        if (OnRealDesktop())
            QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
        for (const bool atLogin : {false, true}) {
            Window form(sandbox_, Section("a", "a"));
            const bool intoTray = atLogin && QSystemTrayIcon::isSystemTrayAvailable();
            form.ShowAtStart(atLogin);
            QCOMPARE(form.isVisible(), !intoTray);
            QCOMPARE(form.trayIcon()->isInTray(), intoTray);
            QCOMPARE(form.trayIcon()->systemTrayIcon()->isVisible(), intoTray);
            if (!intoTray)
                continue;
            if (OnRealDesktop()) {
                QVERIFY(WindowManagerCaughtUp());
                QVERIFY(!form.testAttribute(Qt::WA_WState_Created) ||
                        XMapState(&form) == XCB_MAP_STATE_UNMAPPED);
            }
            emit form.trayIcon()->systemTrayIcon()->activated(QSystemTrayIcon::DoubleClick);
            QVERIFY(form.isVisible() && !form.trayIcon()->isInTray());
            if (OnRealDesktop()) {
                const QRect screen = form.screen()->availableGeometry();
                QTRY_COMPARE(XOuterRect(&form),
                             QRect(screen.center() - QPoint(430, 289), QSize(860, 579)));
            }
        }
    }

    void contextMenuOpensBelowLastRow() {
        Window form(sandbox_, Section("a", "a"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget* viewport = form.table()->viewport();
        const QPoint below(20, viewport->height() - 5); // the last row
        QContextMenuEvent click(QContextMenuEvent::Mouse, below, viewport->mapToGlobal(below));
        QApplication::sendEvent(viewport, &click);
        auto* menu = form.child<QMenu>(u"PopupMenuMain"_s);
        QTRY_VERIFY(menu->isVisible());
        QStringList items;
        for (const QAction* action : menu->actions())
            items << (action->isSeparator() ? u"-"_s : action->text());
        QCOMPARE(items,
                 (QStringList{u"运行任务"_s, u"克隆任务"_s, u"-"_s, u"删除任务"_s, u"停止任务"_s}));
    }

    void refreshAndClosedEditorRereadTheFile_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("refresh") << u"ToolButton2"_s;
        QTest::newRow("new task, closed unsaved") << u"ToolButton4"_s;
    }

    void refreshAndClosedEditorRereadTheFile() {
        QFETCH(QString, command);
        Window form(sandbox_, Section("a", "a"));
        const QByteArray changed = Section("a", "a") + Section("b", "b");
        sandbox_.writeSettings(changed);
        if (command == u"ToolButton4"_s)
            WhenModalOpens<TnewTaskForm>([](QDialog* editor) {
                QTest::mouseClick(editor->findChild<QWidget*>(u"Button2"_s), Qt::LeftButton);
                QVERIFY(!editor->isVisible());
            });

        QTest::mouseClick(form.child<QToolButton>(command), Qt::LeftButton);

        QCOMPARE(form.cell(1, 1), u"b"_s);
        QCOMPARE(sandbox_.readSettings(), changed);
    }

    void deleteTask_data() {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("closeFirst");
        QTest::newRow("cancel") << QMessageBox::Cancel << false;
        QTest::newRow("ok") << QMessageBox::Ok << false;
        QTest::newRow("window closed during the question") << QMessageBox::Ok << true;
    }

    void deleteTask() {
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, closeFirst);
        Window form(sandbox_, Section("first", "first", "runCount=2\n") +
                                  Section("second", "second", "runCount=5\n"));
        form.show();
        form.progressSink()->Post(Progress("second", 1, 9));
        QTRY_COMPARE(form.cell(1, kProgressColumn), u"1 / 9"_s);
        MessageBoxAnswerer answerer([&](auto&) {
            if (closeFirst)
                form.close();
            return answer;
        });
        form.selectRow(0);

        form.child<QAction>(u"N4"_s)->trigger();

        QCOMPARE(answerer.requests.size(), size_t{1});
        QCOMPARE(answerer.requests.front().text, u"要删除数据吗？"_s);
        const bool deleted = answer == QMessageBox::Ok && !closeFirst;
        QCOMPARE(sandbox_.readSettings().contains("[first]"), !deleted);
        QCOMPARE(form.cell(0, 1) + form.cell(1, 1), deleted ? u"second"_s : u"firstsecond"_s);
        QCOMPARE(form.cell(0, kRunCountColumn), deleted ? u"5"_s : u"2"_s);
        // The reload after a delete drops the progress; nothing else reloads.
        QCOMPARE(form.cell(deleted ? 0 : 1, kProgressColumn), deleted ? QString() : u"1 / 9"_s);
        // Closing stops both timers.
        QCOMPARE(form.child<QTimer>(u"TimerMain"_s)->isActive(), !closeFirst);
        QCOMPARE(form.child<QTimer>(u"Timer1"_s)->isActive(), !closeFirst);
    }

    void handlerErrorReachesErrorBoxAndProgramGoesOn() {
        Window form(sandbox_, Section("first", "first"));
        QFile::setPermissions(sandbox_.settingsFile(), QFile::ReadOwner);
        MessageBoxAnswerer answerer;
        form.selectRow(0);

        // Delivered as an event, as a click would be, so the error meets the event loop.
        QTimer::singleShot(0, form.child<QAction>(u"N4"_s), &QAction::trigger);
        QTRY_COMPARE(answerer.requests.size(), size_t{2});

        const auto& box = answerer.requests.back();
        QCOMPARE(box.caption, ApplicationTitle());
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.text, u"Unable to write to "_s + sandbox_.settingsFile() + u'.');
        // The program goes on: the next command works.
        QTimer::singleShot(0, form.child<QAction>(u"N1"_s), &QAction::trigger);
        QTRY_COMPARE(form.cell(0, kRunCountColumn), u"1"_s);
    }

    void advertColourRange() {
        std::set<int> seen, expected; // the components' values, kept apart
        for (std::uint32_t seed = 0; seed < 86'400'000; seed += 4321) {
            const QColor colour = DrawAdvertColour(seed);
            seen.insert({colour.red(), 1000 + colour.green(), 2000 + colour.blue()});
        }
        for (int value = 0; value <= 254; ++value)
            expected.insert({value, 1000 + value, 2000 + value});
        QVERIFY(seen == expected); // 0 to 254, each of them, in each component
        Window form(sandbox_, {});
        QCOMPARE(form.child<QToolButton>(u"SpeedButton1"_s)->palette().color(QPalette::ButtonText),
                 form.child<QLabel>(u"PanelMsgText"_s)->palette().color(QPalette::WindowText));
    }

    void aboutBoxLinkAndDownloadButtonOpenTheHomePage() {
        Window form(sandbox_, {});
        std::vector<QUrl> opened;
        SetHomePageOpener([&](const QUrl& address) { opened.push_back(address); });
        bool closedByButton = false;
        WhenModalOpens<TaboutForm>([&](QDialog* about) {
            auto* link = about->findChild<QWidget*>(u"Label3"_s);
            QTest::mouseClick(link, Qt::LeftButton);
            QTest::mouseClick(link, Qt::LeftButton);
            QTest::keyClick(about->focusWidget(), Qt::Key_Escape); // "知道了" is no cancel button
            QVERIFY(about->isVisible());
            QTest::mouseClick(about->findChild<QWidget*>(u"BitBtn1"_s), Qt::LeftButton);
            closedByButton = !about->isVisible();
        });
        QTest::mouseClick(form.child<QToolButton>(u"ToolButton6"_s), Qt::LeftButton);
        QTest::mouseClick(form.child<QToolButton>(u"SpeedButton1"_s), Qt::LeftButton);
        SetHomePageOpener({});

        QVERIFY(closedByButton);
        const QUrl home(QString::fromUtf8(HomePageAddress));
        QCOMPARE(opened, (std::vector{home, home, home}));
        QVERIFY(home.scheme() == u"http"_s && !home.host().isEmpty() && home.path().isEmpty());
    }

    void splitterSnapsShutAt30OrLessOnRelease() {
        // Where the boundary is dragged to, and the upper pane's height after; -1: as far as the
        // lower pane's 30 allows.
        const int drags[][2] = {{12, 0}, {30, 0}, {31, 31}, {150, 150}, {5000, -1}};
        for (const auto& [dragTo, upperHeight] : drags) {
            Window form(sandbox_, {});
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            auto* splitter = form.child<QSplitter>(u"Splitter1"_s);
            QTRY_COMPARE(splitter->sizes().at(0), 210);
            QWidget* handle = splitter->handle(1);
            const QPoint end =
                handle->mapFrom(splitter, QPoint(10, std::min(dragTo, splitter->height())));
            QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(10, 0));
            QTest::mouseMove(handle, end);
            QCOMPARE(splitter->sizes().at(0), 210); // nothing moves before the release
            QTest::mouseRelease(handle, Qt::LeftButton, {}, end);
            const int total = splitter->height() - splitter->handleWidth();
            QCOMPARE(splitter->sizes().at(0), upperHeight < 0 ? total - 30 : upperHeight);
        }
    }

    void progressReachesEveryRowOfTheName() {
        Window form(sandbox_, Section("one", "same") + Section("two", "same") +
                                  Section("three", "other") + Section("four", "Same"));

        form.progressSink()->Post(Progress("same", 3, 10));

        QTRY_COMPARE(form.cell(0, kProgressColumn), u"3 / 10"_s);
        QCOMPARE(form.cell(1, kProgressColumn), u"3 / 10"_s);
        QCOMPARE(form.cell(2, kProgressColumn) + form.cell(3, kProgressColumn), QString());
        QCOMPARE(form.lastLogLine(), QString::fromStdString(SourceFile(3)));
        QCOMPARE(form.child<QListView>(u"LogsSHower"_s)->currentIndex().row(), 0);
    }

    // A run that ends with failures is told from the tray icon while the window is hidden there,
    // and only then: a shown window has its log pane.
    void failedRunIsNotifiedFromTheTrayOnlyWhileHiddenThere() {
        const QString source = sandbox_.filePath(u"source"_s);
        const QString destination = sandbox_.filePath(u"backup"_s);
        WriteFile(source + u"/a.txt"_s, "a");
        WriteFile(source + u"/b.txt"_s, "b");
        // A directory where each copy should go: neither file can be put in its place.
        WriteFile(destination + u"/a.txt/keep"_s, "");
        WriteFile(destination + u"/b.txt/keep"_s, "");
        struct Notices : std::vector<program::Notice> {
            Notices() {
                TrayIcon::SetNoticeResponder([this](const program::Notice& n) { push_back(n); });
            }
            ~Notices() { TrayIcon::SetNoticeResponder({}); }
        } notices;
        Window form(sandbox_, u"[坏]\ntaskName=坏\ntaskSource=%1\ntaskDest=%2\ntaskDD=03:00:00\n"
                              u"skipSame=1\n"_s.arg(source, destination)
                                  .toUtf8());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // The run's summary line closes it.
        const auto summaries = [&] {
            int count = 0;
            for (int row = 0; row < form.log()->rowCount(); ++row)
                count += form.log()->index(row, 0).data().toString().endsWith(u"失败 2 个"_s);
            return count;
        };
        const auto runAndWait = [&] {
            const int before = summaries();
            form.selectRow(0);
            form.RunSelectedTask();
            QTRY_COMPARE(summaries(), before + 1);
        };
        runAndWait();
        QVERIFY(notices.empty());

        form.hide();
        if (!form.trayIcon()->startInTray())
            QSKIP("no notification area here");
        runAndWait();
        QCOMPARE(notices.size(), 1u);
        QCOMPARE(QString::fromStdString(notices[0].title), u"Kolvane"_s);
        QCOMPARE(QString::fromStdString(notices[0].text),
                 u"任务\"坏\"运行结束，2 个文件复制失败"_s);
    }

    // Asked for at once after the start, the stop reaches the job long before its last file.
    void stopItemEndsTheSelectedTasksRunWithTheStoppedLine() {
        const QString source = sandbox_.filePath(u"source"_s);
        for (int file = 0; file < 2000; ++file)
            WriteFile(source + u"/f"_s + QString::number(file), "x");
        Window form(sandbox_, u"[长]\ntaskName=长\ntaskSource=%1\ntaskDest=%2\ntaskDD=03:00:00\n"_s
                                  .arg(source, sandbox_.filePath(u"backup"_s))
                                  .toUtf8());
        MessageBoxAnswerer answerer;
        form.selectRow(0);
        form.RunSelectedTask();
        form.child<QAction>(u"N5"_s)->trigger();
        QTRY_VERIFY(form.lastLogLine().endsWith(u"任务\"长\"已停止"_s));
        QVERIFY(answerer.requests.empty());
        for (int row = 0; row < form.log()->rowCount(); ++row)
            QVERIFY(!form.log()->index(row, 0).data().toString().endsWith(u"执行完毕"_s));
    }

    void scheduledTaskCopiesWhileMessageBoxIsOpen() {
        const QString source = sandbox_.filePath(u"source"_s);
        const QString destination = sandbox_.filePath(u"backup"_s);
        const QString files[] = {u"a.txt"_s, u"sub/b.txt"_s, u"sub/deeper/c.txt"_s};
        for (const QString& file : files)
            WriteFile(source + u'/' + file, file.toUtf8());
        // "early" is due at once: its count shows that the scheduler ticks before the box opens.
        auto clock = std::make_shared<FakeClock>(8 * 3600 - 2);
        const QString settings =
            u"[nightly]\ntaskName=nightly\ntaskSource=%1\ntaskDest=%2\ntaskDD=08:00:00\n"
            u"[early]\ntaskName=early\ntaskSource=%1/none\ntaskDest=%2\ntaskDD=07:59:58\n"_s;
        Window form(sandbox_, settings.arg(source, destination).toUtf8(), clock);
        QTRY_COMPARE(form.cell(1, kRunCountColumn), u"1"_s);

        bool copiedWhileOpen = false;
        WhenModalOpens<QMessageBox>([&](QMessageBox*) {
            clock->secondOfDay = 8 * 3600; // the task's time comes while the box is open
            copiedWhileOpen = QTest::qWaitFor([&] {
                for (const QString& file : files) {
                    if (ReadFile(destination + u'/' + file) != file.toUtf8())
                        return false;
                }
                return form.lastLogLine().endsWith(u"任务\"nightly\"执行完毕"_s);
            });
        });
        QMessageBox(QMessageBox::Information, u"提示"_s, u"open"_s).exec();

        QVERIFY(copiedWhileOpen);
        QCOMPARE(form.cell(0, kProgressColumn), u"3 / 3"_s);
        QCOMPARE(form.cell(0, kRunCountColumn), u"1"_s);
        QVERIFY(sandbox_.readSettings().contains("runCount=1"));
    }
};

int main(int argc, char** argv) {
    KolvaneApplication application(argc, argv);
    TestMainForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainform.moc"
