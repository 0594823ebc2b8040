#include "support/UiTestSupport.h"
#include "ui/KolvaneApplication.h"
#include "ui/MessageBoxes.h"
#include "ui/TmainForm.h"
#include "ui/WindowLook.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

using kolvane::JobEvent;
using kolvane::testing::execUntil;
using kolvane::testing::FakeClock;
using kolvane::testing::kLocalHomePage;
using kolvane::testing::MessageBoxAnswerer;
using kolvane::testing::UiSandbox;
using kolvane::testing::waitFor;
using kolvane::ui::TmainForm;

namespace {

QByteArray Section(const QByteArray& section, const QByteArray& name,
                   const QByteArray& extra = {}) {
    return "[" + section + "]\ntaskName=" + name + "\ntaskSource=/nowhere\ntaskDest=/nowhere\n" +
           "taskDD=03:00:00\n" + extra + "\n";
}

QString Cell(TmainForm& form, int row, int column) {
    auto* table = form.findChild<QTreeView*>(QStringLiteral("lv_task"));
    return table->model()->index(row, column).data().toString();
}

int RowCount(TmainForm& form) {
    return form.findChild<QTreeView*>(QStringLiteral("lv_task"))->model()->rowCount();
}

void SelectRow(TmainForm& form, int row) {
    auto* table = form.findChild<QTreeView*>(QStringLiteral("lv_task"));
    table->setCurrentIndex(table->model()->index(row, 0));
}

QAbstractItemModel* LogOf(TmainForm& form) {
    return form.findChild<QListView*>(QStringLiteral("LogsSHower"))->model();
}

QString LastLogLine(TmainForm& form) {
    QAbstractItemModel* log = LogOf(form);
    return log->rowCount() ? log->index(log->rowCount() - 1, 0).data().toString() : QString();
}

JobEvent Progress(const std::string& job, int index, int total) {
    return {JobEvent::Kind::Progress, job, "2026-03-01 08:00:00：/src/f" + std::to_string(index),
            total, index};
}

JobEvent Completion(const std::string& job) {
    return {JobEvent::Kind::Completion, job, "2026-03-01 08:00:00：任务\"" + job + "\"执行完毕"};
}

constexpr int kProgressColumn = 6;
constexpr int kRunCountColumn = 7;
const QString kChooseTask = QStringLiteral("请选择一个任务");

} // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(sandbox_.isValid()); }
    void cleanup() { sandbox_ = {}; }

    void commandsWithoutSelectionAsk_data();
    void commandsWithoutSelectionAsk();
    void doubleClickWithoutSelectionIsSilent();
    void contextMenuOpensBelowLastRow();
    void refreshRereadsFileAndKeepsColumns();
    void deleteTask_data();
    void deleteTask();
    void closeDuringDeleteQuestionLeavesFileAlone();
    void closeStopsBothTimers();
    void errorBoxText_data();
    void errorBoxText();
    void handlerErrorReachesErrorBoxAndProgramGoesOn();
    void schedulerErrorsWhileItsBoxIsOpenGoToLog();
    void advertColourRange();
    void splitterSnapsShut_data();
    void splitterSnapsShut();
    void progressReachesEveryRowOfTheName();
    void logLimitAfterCompletion_data();
    void logLimitAfterCompletion();
    void scheduledTaskCopiesWhileMessageBoxIsOpen();

private:
    UiSandbox sandbox_;
};

void TestMainForm::commandsWithoutSelectionAsk_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("run button") << QStringLiteral("ToolButton1");
    QTest::newRow("run menu item") << QStringLiteral("N1");
    QTest::newRow("clone menu item") << QStringLiteral("N2");
    QTest::newRow("delete menu item") << QStringLiteral("N4");
}

void TestMainForm::commandsWithoutSelectionAsk() {
    QFETCH(QString, command);
    const QByteArray settings = Section("a", "a", "runCount=4\n");
    sandbox_.writeSettings(settings);
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    MessageBoxAnswerer answerer;

    if (auto* button = form.findChild<QToolButton*>(command))
        QTest::mouseClick(button, Qt::LeftButton);
    else
        form.findChild<QAction*>(command)->trigger();

    QCOMPARE(answerer.requests().size(), size_t{1});
    const auto& request = answerer.requests().front();
    QCOMPARE(request.caption, QStringLiteral("提示"));
    QCOMPARE(request.text, kChooseTask);
    QCOMPARE(request.icon, QMessageBox::Information);
    QCOMPARE(request.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(sandbox_.readSettings(), settings);
    QCOMPARE(Cell(form, 0, kRunCountColumn), QStringLiteral("4"));
}

void TestMainForm::doubleClickWithoutSelectionIsSilent() {
    sandbox_.writeSettings(Section("a", "a"));
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    MessageBoxAnswerer answerer;
    bool dialogOpened = false;
    // An editor opened by mistake would hold the test in its loop; close it and remember.
    QTimer::singleShot(0, &form, [&] {
        if (auto* dialog = QApplication::activeModalWidget()) {
            dialogOpened = true;
            dialog->close();
        }
    });

    auto* viewport = form.findChild<QTreeView*>(QStringLiteral("lv_task"))->viewport();
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, QPoint(20, viewport->height() - 5));
    QTest::qWait(0);

    QVERIFY(!dialogOpened);
    QVERIFY(answerer.requests().empty());
}

void TestMainForm::contextMenuOpensBelowLastRow() {
    sandbox_.writeSettings(Section("a", "a"));
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* viewport = form.findChild<QTreeView*>(QStringLiteral("lv_task"))->viewport();
    auto* menu = form.findChild<QMenu*>(QStringLiteral("PopupMenuMain"));
    const QPoint belowRows(20, viewport->height() - 5);

    QContextMenuEvent click(QContextMenuEvent::Mouse, belowRows, viewport->mapToGlobal(belowRows));
    QApplication::sendEvent(viewport, &click);

    QTRY_VERIFY(menu->isVisible());
    QStringList captions;
    for (QAction* action : menu->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(captions, QStringList({QStringLiteral("运行任务"), QStringLiteral("克隆任务"),
                                    QStringLiteral("-"), QStringLiteral("删除任务")}));
    menu->close();
}

void TestMainForm::refreshRereadsFileAndKeepsColumns() {
    sandbox_.writeSettings(Section("a", "a"));
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    sandbox_.writeSettings(Section("a", "a") + Section("b", "b", "useDelayM=1\n"));

    QTest::mouseClick(form.findChild<QToolButton*>(QStringLiteral("ToolButton2")), Qt::LeftButton);

    QCOMPARE(RowCount(form), 2);
    QCOMPARE(Cell(form, 1, 0), QStringLiteral("文件拷贝"));
    QCOMPARE(Cell(form, 1, 8), QStringLiteral("60"));
    auto* table = form.findChild<QTreeView*>(QStringLiteral("lv_task"));
    const QStringList captions{QStringLiteral("类型"),
                               QStringLiteral("任务名"),
                               QStringLiteral("源目录(文件)"),
                               QStringLiteral("目标目录"),
                               QStringLiteral("执行时间"),
                               QStringLiteral("自动创建子目录"),
                               QStringLiteral("进度"),
                               QStringLiteral("备份次数"),
                               QStringLiteral("每隔几分钟自动执行")};
    const QList<int> widths{60, 100, 150, 150, 100, 100, 100, 60, 100};
    QCOMPARE(table->model()->columnCount(), 9);
    for (int column = 0; column < 9; ++column) {
        QCOMPARE(table->model()->headerData(column, Qt::Horizontal).toString(), captions[column]);
        QCOMPARE(table->header()->sectionSize(column), widths[column]);
    }
}

void TestMainForm::deleteTask_data() {
    QTest::addColumn<bool>("confirm");
    QTest::newRow("cancel") << false;
    QTest::newRow("ok") << true;
}

void TestMainForm::deleteTask() {
    QFETCH(bool, confirm);
    const QByteArray settings =
        Section("first", "first", "runCount=2\n") + Section("second", "second", "runCount=5\n");
    sandbox_.writeSettings(settings);
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    form.progressSink()->Post(Progress("second", 1, 9));
    QTRY_COMPARE(Cell(form, 1, kProgressColumn), QStringLiteral("1 / 9"));
    MessageBoxAnswerer answerer(confirm ? QMessageBox::Ok : QMessageBox::Cancel);
    SelectRow(form, 0);

    form.findChild<QAction*>(QStringLiteral("N4"))->trigger();

    QCOMPARE(answerer.requests().size(), size_t{1});
    QCOMPARE(answerer.requests().front().text, QStringLiteral("要删除数据吗？"));
    if (!confirm) {
        QCOMPARE(sandbox_.readSettings(), settings);
        QCOMPARE(RowCount(form), 2);
        QCOMPARE(Cell(form, 1, kProgressColumn), QStringLiteral("1 / 9"));
        return;
    }
    QVERIFY(!sandbox_.readSettings().contains("[first]"));
    QVERIFY(sandbox_.readSettings().contains("[second]"));
    QCOMPARE(RowCount(form), 1);
    QCOMPARE(Cell(form, 0, 1), QStringLiteral("second"));
    QCOMPARE(Cell(form, 0, kRunCountColumn), QStringLiteral("5"));
    QCOMPARE(Cell(form, 0, kProgressColumn), QString());
}

void TestMainForm::closeDuringDeleteQuestionLeavesFileAlone() {
    const QByteArray settings = Section("first", "first");
    sandbox_.writeSettings(settings);
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    form.show();
    SelectRow(form, 0);
    MessageBoxAnswerer answerer([&form](const kolvane::ui::MessageBoxRequest&) {
        form.close();
        return QMessageBox::Ok;
    });

    form.findChild<QAction*>(QStringLiteral("N4"))->trigger();

    QCOMPARE(answerer.requests().size(), size_t{1});
    QCOMPARE(sandbox_.readSettings(), settings);
    QCOMPARE(RowCount(form), 1);
}

void TestMainForm::closeStopsBothTimers() {
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    form.show();
    QVERIFY(form.findChild<QTimer*>(QStringLiteral("TimerMain"))->isActive());
    QCOMPARE(form.findChild<QTimer*>(QStringLiteral("Timer1"))->interval(), 5000);
    form.close();
    QVERIFY(!form.findChild<QTimer*>(QStringLiteral("TimerMain"))->isActive());
    QVERIFY(!form.findChild<QTimer*>(QStringLiteral("Timer1")));
}

void TestMainForm::errorBoxText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << "Unable to create directory"
                           << "Unable to create directory.";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("sorts before full stop") << "Stop!"
                                            << "Stop!";
    QTest::newRow("comma") << "a,"
                           << "a,";
    QTest::newRow("slash sorts after") << "Unable to write to /tmp/"
                                       << "Unable to write to /tmp/.";
    QTest::newRow("digit") << "'25:00:00' is not a valid time 1"
                           << "'25:00:00' is not a valid time 1.";
    QTest::newRow("chinese") << QStringLiteral("出错") << QStringLiteral("出错.");
}

void TestMainForm::errorBoxText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(kolvane::ui::ErrorBoxText(message), shown);
}

void TestMainForm::handlerErrorReachesErrorBoxAndProgramGoesOn() {
    sandbox_.writeSettings(Section("first", "first"));
    QFile::setPermissions(sandbox_.path(QStringLiteral("defaultSet.ini")),
                          QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    SelectRow(form, 0);

    // Delivered as an event, as a click would be, so the error meets the event loop.
    QTimer::singleShot(0, form.findChild<QAction*>(QStringLiteral("N4")), &QAction::trigger);
    QTRY_COMPARE(answerer.requests().size(), size_t{2});

    const auto& box = answerer.requests().back();
    QCOMPARE(box.caption, kolvane::ui::ApplicationTitle());
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.text, QStringLiteral("Unable to write to ") +
                           sandbox_.path(QStringLiteral("defaultSet.ini")) + QLatin1Char('.'));
    QCOMPARE(RowCount(form), 1);
    // The program goes on: the next command works.
    QTimer::singleShot(0, form.findChild<QAction*>(QStringLiteral("N1")), &QAction::trigger);
    QTRY_COMPARE(Cell(form, 0, kRunCountColumn), QStringLiteral("1"));
}

void TestMainForm::schedulerErrorsWhileItsBoxIsOpenGoToLog() {
    // Due every minute from 08:00:00, with a destination that cannot be made.
    sandbox_.writeSettings("[bad]\ntaskName=bad\ntaskSource=/nowhere\ntaskDest=\n"
                           "taskDD=08:00:00\nuseDelayM=1\ndelayM=1\n");
    auto clock = std::make_shared<FakeClock>(8, 0, 0);
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage, clock);
    int boxes = 0;
    bool loggedWhileOpen = false;
    MessageBoxAnswerer answerer([&](const kolvane::ui::MessageBoxRequest& request) {
        if (request.caption != kolvane::ui::ApplicationTitle())
            return QMessageBox::Ok;
        if (++boxes == 1) {
            // The box stays open while the next minute's run fails as well.
            clock->setTimeOfDay(8, 1, 0);
            loggedWhileOpen = waitFor([&] {
                return LastLogLine(form).endsWith(QStringLiteral("：Unable to create directory."));
            });
        }
        return QMessageBox::Ok;
    });

    QTRY_COMPARE_WITH_TIMEOUT(boxes, 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(loggedWhileOpen, 5000);
    QCOMPARE(boxes, 1);
    QCOMPARE(answerer.requests().front().text, QStringLiteral("Unable to create directory."));

    clock->setTimeOfDay(8, 2, 0);
    QTRY_COMPARE_WITH_TIMEOUT(boxes, 2, 5000);
}

void TestMainForm::advertColourRange() {
    int highest = 0;
    for (std::uint32_t seed = 0; seed < 86'400'000; seed += 4321) {
        const QColor colour = kolvane::ui::DrawAdvertColour(seed);
        QVERIFY(colour.red() <= 254 && colour.green() <= 254 && colour.blue() <= 254);
        highest = std::max({highest, colour.red(), colour.green(), colour.blue()});
    }
    QCOMPARE(highest, 254);

    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    const QColor text = form.findChild<QLabel*>(QStringLiteral("PanelMsgText"))
                            ->palette()
                            .color(QPalette::WindowText);
    const QColor caption = form.findChild<QToolButton*>(QStringLiteral("SpeedButton1"))
                               ->palette()
                               .color(QPalette::ButtonText);
    QCOMPARE(caption, text);
    QVERIFY(text.red() <= 254 && text.green() <= 254 && text.blue() <= 254);
}

void TestMainForm::splitterSnapsShut_data() {
    QTest::addColumn<int>("dragTo");
    QTest::addColumn<int>("upperHeight"); // -1: as far as the lower pane's 30 allows
    QTest::newRow("below 30 shuts") << 12 << 0;
    QTest::newRow("at 30 shuts") << 30 << 0;
    QTest::newRow("just above 30 stays") << 31 << 31;
    QTest::newRow("middle") << 150 << 150;
    QTest::newRow("bottom leaves 30 below") << 5000 << -1;
}

void TestMainForm::splitterSnapsShut() {
    QFETCH(int, dragTo);
    QFETCH(int, upperHeight);
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* splitter = form.findChild<QSplitter*>(QStringLiteral("Splitter1"));
    QTRY_COMPARE(splitter->sizes().at(0), 210);

    QWidget* handle = splitter->handle(1);
    auto send = [handle](QEvent::Type type, const QPoint& global, Qt::MouseButtons buttons) {
        QMouseEvent event(type, handle->mapFromGlobal(global), global, Qt::LeftButton, buttons, {});
        QApplication::sendEvent(handle, &event);
    };
    const QPoint start = handle->mapToGlobal(QPoint(10, 0));
    const QPoint end = splitter->mapToGlobal(QPoint(10, std::min(dragTo, splitter->height())));
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, end, Qt::LeftButton);
    QCOMPARE(splitter->sizes().at(0), 210); // nothing moves before the release
    send(QEvent::MouseButtonRelease, end, Qt::NoButton);

    const int total = splitter->height() - splitter->handleWidth();
    QCOMPARE(splitter->sizes().at(0), upperHeight < 0 ? total - 30 : upperHeight);
}

void TestMainForm::progressReachesEveryRowOfTheName() {
    sandbox_.writeSettings(Section("one", "same") + Section("two", "same") +
                           Section("three", "other") + Section("four", "Same"));
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);

    form.progressSink()->Post(Progress("same", 3, 10));

    QTRY_COMPARE(Cell(form, 0, kProgressColumn), QStringLiteral("3 / 10"));
    QCOMPARE(Cell(form, 1, kProgressColumn), QStringLiteral("3 / 10"));
    QCOMPARE(Cell(form, 2, kProgressColumn), QString());
    QCOMPARE(Cell(form, 3, kProgressColumn), QString());
    QCOMPARE(LastLogLine(form), QStringLiteral("2026-03-01 08:00:00：/src/f3"));
    auto* log = form.findChild<QListView*>(QStringLiteral("LogsSHower"));
    QCOMPARE(log->currentIndex().row(), 0);
}

void TestMainForm::logLimitAfterCompletion_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("inBatch");
    QTest::addColumn<int>("expectedRows");
    // Each batch ends with a completion line and one progress line after it.
    QTest::newRow("2000 stays") << 0 << 1999 << 2001;
    QTest::newRow("2001 empties") << 0 << 2000 << 1;
    QTest::newRow("2000 across batches stays") << 1500 << 499 << 2001;
    QTest::newRow("2001 across batches empties") << 1500 << 500 << 1;
}

void TestMainForm::logLimitAfterCompletion() {
    QFETCH(int, before);
    QFETCH(int, inBatch);
    QFETCH(int, expectedRows);
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage);
    auto sink = form.progressSink();
    for (int i = 1; i <= before; ++i)
        sink->Post(Progress("earlier", i, before));
    QTRY_COMPARE(LogOf(form)->rowCount(), before);

    for (int i = 1; i <= inBatch; ++i)
        sink->Post(Progress("job", i, inBatch));
    sink->Post(Completion("job"));
    sink->Post(Progress("later", 1, 1));

    QTRY_COMPARE(LogOf(form)->rowCount(), expectedRows);
    QCOMPARE(LastLogLine(form), QStringLiteral("2026-03-01 08:00:00：/src/f1"));
}

void TestMainForm::scheduledTaskCopiesWhileMessageBoxIsOpen() {
    const QString source = sandbox_.path(QStringLiteral("source"));
    const QString destination = sandbox_.path(QStringLiteral("backup"));
    const QStringList files{QStringLiteral("a.txt"), QStringLiteral("sub/b.txt"),
                            QStringLiteral("sub/deeper/c.txt")};
    for (const QString& file : files)
        UiSandbox::writeFile(source + QLatin1Char('/') + file, file.toUtf8());
    // "early" is due at once: its count shows that the scheduler ticks before the box opens.
    sandbox_.writeSettings("[nightly]\ntaskName=nightly\ntaskSource=" + source.toUtf8() +
                           "\ntaskDest=" + destination.toUtf8() + "\ntaskDD=08:00:00\n" +
                           "[early]\ntaskName=early\ntaskSource=" + source.toUtf8() +
                           "/none\ntaskDest=" + destination.toUtf8() + "\ntaskDD=07:59:58\n");
    auto clock = std::make_shared<FakeClock>(7, 59, 58);
    TmainForm form(sandbox_.settingsPath(), kLocalHomePage, clock);
    form.show();
    QTRY_COMPARE(Cell(form, 1, kRunCountColumn), QStringLiteral("1"));

    QMessageBox box(QMessageBox::Information, QStringLiteral("提示"), QStringLiteral("open"));
    // Inside the box's own loop: the clock reaches the task's time.
    QTimer::singleShot(0, &box, [&] { clock->setTimeOfDay(8, 0, 0); });
    const bool copiedWhileOpen = execUntil(box, [&] {
        for (const QString& file : files) {
            if (UiSandbox::readFile(destination + QLatin1Char('/') + file) != file.toUtf8())
                return false;
        }
        return LastLogLine(form).endsWith(QStringLiteral("任务\"nightly\"执行完毕"));
    });

    QVERIFY(copiedWhileOpen);
    QCOMPARE(Cell(form, 0, kProgressColumn), QStringLiteral("3 / 3"));
    QCOMPARE(Cell(form, 0, kRunCountColumn), QStringLiteral("1"));
    QVERIFY(sandbox_.readSettings().contains("runCount=1"));
}

int main(int argc, char** argv) {
    kolvane::ui::KolvaneApplication application(argc, argv);
    TestMainForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainform.moc"
