#include "store/IniFile.h"
#include "store/TaskTable.h"
#include "support/UiTestSupport.h"
#include "ui/PathPickers.h"
#include "ui/TnewTaskForm.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;
using namespace kolvane::testing;
using kolvane::ui::TnewTaskForm;
using Cells = std::array<std::string, kolvane::kSubItemCount>;

namespace {

template <typename Widget = QWidget> Widget* Child(QWidget* form, const char* name) {
    return form->findChild<Widget*>(QString::fromUtf8(name));
}

// One row of the tasks as saved; all cells empty where the file has no such row.
kolvane::TaskRow Saved(const UiSandbox& sandbox, int row) {
    kolvane::TIniFile ini(sandbox.settingsPath());
    kolvane::TaskTable table;
    kolvane::LoadTasks(table, ini);
    return row < table.rowCount() ? table.row(row) : kolvane::TaskRow{};
}

} // namespace

class TestNewTaskForm : public QObject {
    Q_OBJECT
    UiSandbox sandbox_;
    MessageBoxAnswerer answerer_;

private slots:
    void init() {
        sandbox_ = {};
        answerer_.requests.clear();
    }

    void newTaskIsSavedAsTypedWithTheDefaultTime() {
        WhenModalOpens<TnewTaskForm>([](TnewTaskForm* form) {
            QCOMPARE(form->focusWidget(), Child(form, "le_taskname"));
            QCOMPARE(Child<QTimeEdit>(form, "DTPtime")->text(), u"13:26:00"_s);
            QTest::keyClick(form->focusWidget(), Qt::Key_Escape); // no cancel button
            QTest::keyClick(form->focusWidget(), Qt::Key_Return); // no default button
            QVERIFY(form->isVisible());
            Child<QLineEdit>(form, "le_taskname")->setText(u" 每日 "_s);
            Child<QLineEdit>(form, "le_Source")->setText(u"/data "_s);
            Child<QLineEdit>(form, "le_Dest")->setText(u"/backup"_s);
            QTest::mouseClick(Child(form, "Button1"), Qt::LeftButton);
            QVERIFY(!form->isVisible());
        });
        kolvane::ui::OpenNewTaskEditor(nullptr, sandbox_.settingsPath());
        QVERIFY(answerer_.requests.empty());
        QCOMPARE(Saved(sandbox_, 0).subItems,
                 (Cells{" 每日 ", "/data ", "/backup", "13:26:00", "0", "", "0", ""}));
    }

    void emptyFieldShowsItsPageMessageAndFocus() {
        // Name, source and destination typed; the message and the field focused after.
        const QStringList cases[] = {
            {u""_s, u"/s"_s, u"/d"_s, u"任务名不能为空"_s, u"le_taskname"_s},
            {u" \t "_s, u"/s"_s, u"/d"_s, u"任务名不能为空"_s, u"le_taskname"_s},
            {u"a"_s, u"   "_s, u"/d"_s, u"源目录（文件）不能为空"_s, u"le_Source"_s},
            {u"a"_s, u"/s"_s, u""_s, u"目标目录不能为空"_s, u"le_Dest"_s}};
        WhenModalOpens<TnewTaskForm>([&](TnewTaskForm* form) {
            auto* list = Child<QListWidget>(form, "lbxMain");
            for (const QStringList& fields : cases) {
                Child<QLineEdit>(form, "le_taskname")->setText(fields[0]);
                Child<QLineEdit>(form, "le_Source")->setText(fields[1]);
                Child<QLineEdit>(form, "le_Dest")->setText(fields[2]);
                list->setCurrentRow(2); // start from the schedule page, so the check must switch
                QTest::mouseClick(Child(form, "Button1"), Qt::LeftButton);
                QVERIFY(form->isVisible() && !answerer_.requests.empty());
                QCOMPARE(answerer_.requests.back().text, fields[3]);
                const int entry = fields[4] == u"le_taskname"_s ? 0 : 1;
                QCOMPARE(list->currentRow(), entry);
                QVERIFY(Child(form, entry == 0 ? "PanelBase" : "PanelDir")->isVisible());
                QCOMPARE(form->focusWidget()->objectName(), fields[4]);
            }
        });
        kolvane::ui::OpenNewTaskEditor(nullptr, sandbox_.settingsPath());
        QCOMPARE(answerer_.requests.size(), std::size(cases));
        QVERIFY(!QFile::exists(sandbox_.settingsFile()));
    }

    void editRenameMovesTheTaskToTheEndAndResetsItsCount() {
        sandbox_.writeSettings("[A]\ntaskName=A\ntaskSource=/s\ntaskDest=/d\ntaskautoChild=2\n"
                               "taskDD=07:08:09\nuseDelayM=1\ndelayM=5000\nrunCount=5\n"
                               "[B]\ntaskName=B\ntaskSource=/b\ntaskDest=/d\ntaskDD=01:00:00\n");
        WhenModalOpens<TnewTaskForm>([](TnewTaskForm* form) {
            QCOMPARE(form->windowTitle(), u"A"_s);
            QCOMPARE(Child<QSpinBox>(form, "se_delayM")->text(), u"1439"_s);
            Child<QLineEdit>(form, "le_taskname")->setText(u"C"_s);
            QTest::mouseClick(Child(form, "Button1"), Qt::LeftButton);
        });
        kolvane::ui::OpenEditTaskEditor(nullptr, sandbox_.settingsPath(), Saved(sandbox_, 0));
        QCOMPARE(Saved(sandbox_, 1).subItems,
                 (Cells{"C", "/s", "/d", "07:08:09", "1", "", "0", "1439"}));
    }

    void unchangedTaskOfUndecodableBytesIsSavedByteIdentical() {
        // Latin-1, neither UTF-8 nor GBK: the edits show replacement characters.
        const QByteArray original = "[caf\xE9]\r\ntaskName=caf\xE9\r\ntaskSource=/r\xE9sum\xE9\r\n"
                                    "taskDest=/d\xE9j\xE0\r\ntaskautoChild=0\r\n"
                                    "taskDD=07:00:00\r\nuseDelayM=0\r\ndelayM=60\r\n"
                                    "runCount=4\r\nunknown=kept\r\n\r\n[b]\r\n";
        sandbox_.writeSettings(original);
        WhenModalOpens<TnewTaskForm>([](TnewTaskForm* form) {
            QVERIFY(Child<QLineEdit>(form, "le_Source")->text().contains(QChar(0xFFFD)));
            QTest::mouseClick(Child(form, "Button1"), Qt::LeftButton);
        });
        kolvane::ui::OpenEditTaskEditor(nullptr, sandbox_.settingsPath(), Saved(sandbox_, 0));
        QCOMPARE(sandbox_.readSettings(), original);
    }

    void cloneTakesNameOneAndNoIntervalAndWritesOverThatName() {
        sandbox_.writeSettings("[A]\ntaskName=A\ntaskSource=/s\ntaskDest=/d\ntaskDD=07:00:00\n"
                               "useDelayM=1\ndelayM=30\nrunCount=4\n"
                               "[A1]\ntaskName=A1\ntaskSource=/old\ntaskDest=/old\n"
                               "taskDD=02:00:00\nrunCount=9\n");
        WhenModalOpens<TnewTaskForm>([](TnewTaskForm* form) {
            QCOMPARE(Child<QSpinBox>(form, "se_delayM")->value(), 60);
            QTest::mouseClick(Child(form, "Button1"), Qt::LeftButton);
        });
        kolvane::ui::OpenCloneTaskEditor(nullptr, sandbox_.settingsPath(), Saved(sandbox_, 0));
        QCOMPARE(Saved(sandbox_, 0).subItems[kolvane::kIntervalCell], "30");
        QCOMPARE(Saved(sandbox_, 1).subItems,
                 (Cells{"A1", "/s", "/d", "07:00:00", "0", "", "9", ""}));
    }

    void spinBoxClampsTypedTextWhenTheFocusLeaves() {
        TnewTaskForm form(sandbox_.settingsPath(), kolvane::StartNewTask());
        auto* spin = Child<QSpinBox>(&form, "se_delayM");
        auto* text = spin->findChild<QLineEdit*>();
        const std::pair<QString, QString> cases[] = {
            {u"5000"_s, u"1439"_s}, {u"0"_s, u"1"_s}, {u"-"_s, u"1"_s}, {u"15"_s, u"15"_s}};
        for (const auto& [typed, shown] : cases) {
            text->selectAll();
            QTest::keyClicks(text, typed + u"x"_s); // the letter is refused
            QCOMPARE(spin->text(), typed);
            QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(spin, &focusOut);
            QCOMPARE(spin->text(), shown);
        }
    }

    void timePickerTakesDigitsTypedIntoTheClickedPart_data() {
        // Each step clicks a part ('h', 'm' or 's') and types the digits after it.
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("shown");
        QTest::newRow("hour") << QStringList{u"h07"_s} << u"07:26:00"_s;
        QTest::newRow("minute") << QStringList{u"m45"_s} << u"13:45:00"_s;
        QTest::newRow("second") << QStringList{u"s30"_s} << u"13:26:30"_s;
        QTest::newRow("hour, then minute") << QStringList{u"h07"_s, u"m05"_s} << u"07:05:00"_s;
        QTest::newRow("one digit alone") << QStringList{u"h3"_s} << u"03:26:00"_s;
        QTest::newRow("the part typed again") << QStringList{u"m45"_s, u"m07"_s} << u"13:07:00"_s;
    }

    void timePickerTakesDigitsTypedIntoTheClickedPart() {
        QFETCH(QStringList, steps);
        QFETCH(QString, shown);
        TnewTaskForm form(sandbox_.settingsPath(), kolvane::StartNewTask());
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        Child<QListWidget>(&form, "lbxMain")->setCurrentRow(2);
        auto* picker = Child<QTimeEdit>(&form, "DTPtime");
        auto* text = picker->findChild<QLineEdit*>();
        QVERIFY(picker->isVisible() && picker->text() == u"13:26:00"_s);
        for (const QString& step : steps) {
            // A point inside the part, right of its first digit ("hh:mm:ss").
            const int inside = 1 + 3 * int(u"hms"_s.indexOf(step.front()));
            QPoint point(0, text->height() / 2);
            while (point.x() < text->width() && text->cursorPositionAt(point) != inside)
                point.rx()++;
            QTest::mouseClick(text, Qt::LeftButton, {}, point);
            QTest::keyClicks(text, step.mid(1));
        }
        QCOMPARE(picker->time().toString(u"HH:mm:ss"_s), shown);
    }

    void emptyTimeCellRaisesBeforeAnythingOpens() {
        const kolvane::TaskRow row{{}, {"A", "/s", "/d", "", "0", "", "0", ""}, {}};
        for (auto opener : {&kolvane::ui::OpenEditTaskEditor, &kolvane::ui::OpenCloneTaskEditor}) {
            QObject scope; // an editor opened by mistake is closed, so the opener returns
            WhenModalOpens<TnewTaskForm>([](QDialog*) {}, &scope);
            QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                     opener(nullptr, sandbox_.settingsPath(), row));
        }
    }

    void pageListSwitchesPagesAndFramesTheSelectedEntry() {
        TnewTaskForm form(sandbox_.settingsPath(), kolvane::StartNewTask());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* list = Child<QListWidget>(&form, "lbxMain");
        // The entry clicked, the page shown and the widget focused after.
        QCOMPARE(list->count(), 4);
        QCOMPARE(list->item(3)->text(), u"高级设置"_s);
        const std::tuple<int, const char*, const char*> clicks[] = {{2, "PanelDD", "lbxMain"},
                                                                    {3, "PanelAdvanced", "lbxMain"},
                                                                    {0, "PanelBase", "le_taskname"},
                                                                    {1, "PanelDir", "le_Source"}};
        for (const auto& [entry, page, focus] : clicks) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(entry)).center());
            QVERIFY(Child(&form, page)->isVisible());
            QCOMPARE(form.focusWidget(), Child(&form, focus));
        }

        const QImage image = list->viewport()->grab().toImage();
        const QRect cell = list->visualItemRect(list->item(1));
        const QColor highlight = list->palette().color(QPalette::Highlight);
        const QColor fill = list->palette().color(QPalette::Base);
        const int middle = cell.center().y();
        QCOMPARE(image.pixelColor(cell.left() + 3, middle), highlight);
        QCOMPARE(image.pixelColor(cell.right() - 3, middle), highlight);
        QCOMPARE(image.pixelColor(cell.center().x(), cell.top() + 3), highlight);
        QCOMPARE(image.pixelColor(cell.left() + 2, middle), fill);
        QCOMPARE(image.pixelColor(cell.left() + 4, cell.top() + 4), fill); // not filled inside
        QCOMPARE(image.pixelColor(cell.left() + 3, middle - 30), fill);    // the entry above
        // The icon stands 7 pixels in from the frame: its 16 x 16 square is not all blank.
        QImage blank(16, 16, image.format());
        blank.fill(fill);
        QVERIFY(image.copy(cell.left() + 10, cell.top() + 10, 16, 16) != blank);
        const QRect advanced = list->visualItemRect(list->item(3));
        QVERIFY(image.copy(advanced.left() + 10, advanced.top() + 10, 16, 16) != blank);
    }

    // Each option written under its key after the seven of today, and shown again when the task
    // is edited; the options that work on the time-named sub-directory follow its box.
    void advancedPageSavesAndReloadsEachOption() {
        WhenModalOpens<TnewTaskForm>([](TnewTaskForm* form) {
            Child<QLineEdit>(form, "le_taskname")->setText(u"每日"_s);
            Child<QLineEdit>(form, "le_Source")->setText(u"/data"_s);
            Child<QLineEdit>(form, "le_Dest")->setText(u"/backup"_s);
            auto* timeNamed = Child<QCheckBox>(form, "cbx_autochildDir");
            for (const char* name : {"cbx_linkSame", "se_keepLast", "KeepLastLabel"})
                QVERIFY2(!Child(form, name)->isEnabled(), name);
            timeNamed->setChecked(true);
            for (const char* name : {"cbx_linkSame", "se_keepLast", "KeepLastLabel"})
                QVERIFY2(Child(form, name)->isEnabled(), name);
            Child<QCheckBox>(form, "cbx_skipSame")->setChecked(true);
            Child<QCheckBox>(form, "cbx_linkSame")->setChecked(true);
            Child<QSpinBox>(form, "se_keepLast")->setValue(7);
            Child<QLineEdit>(form, "le_excludeMask")->setText(u"*.tmp;缓存"_s);
            Child<QCheckBox>(form, "cbx_catchUp")->setChecked(true);
            QTest::mouseClick(Child(form, "Button1"), Qt::LeftButton);
            QVERIFY(!form->isVisible());
        });
        kolvane::ui::OpenNewTaskEditor(nullptr, sandbox_.settingsPath());
        QCOMPARE(sandbox_.readSettings(),
                 "[每日]\ntaskName=每日\ntaskSource=/data\ntaskDest=/backup\n"
                 "taskautoChild=1\ntaskDD=13:26:00\nuseDelayM=0\ndelayM=60\n"
                 "skipSame=1\nlinkSame=1\nkeepLast=7\nexcludeMask=*.tmp;缓存\n"
                 "catchUp=1\n"_ba);

        // Shown again, and each turned off in turn removes its key alone.
        WhenModalOpens<TnewTaskForm>([](TnewTaskForm* form) {
            QVERIFY(Child<QCheckBox>(form, "cbx_skipSame")->isChecked());
            QVERIFY(Child<QCheckBox>(form, "cbx_linkSame")->isChecked());
            QCOMPARE(Child<QSpinBox>(form, "se_keepLast")->value(), 7);
            QCOMPARE(Child<QLineEdit>(form, "le_excludeMask")->text(), u"*.tmp;缓存"_s);
            QVERIFY(Child<QCheckBox>(form, "cbx_catchUp")->isChecked());
            Child<QCheckBox>(form, "cbx_skipSame")->setChecked(false);
            Child<QSpinBox>(form, "se_keepLast")->setValue(0);
            Child<QLineEdit>(form, "le_excludeMask")->clear();
            QTest::mouseClick(Child(form, "Button1"), Qt::LeftButton);
        });
        kolvane::ui::OpenEditTaskEditor(nullptr, sandbox_.settingsPath(), Saved(sandbox_, 0));
        QCOMPARE(sandbox_.readSettings(),
                 "[每日]\ntaskName=每日\ntaskSource=/data\ntaskDest=/backup\n"
                 "taskautoChild=1\ntaskDD=13:26:00\nuseDelayM=0\ndelayM=60\n"
                 "linkSame=1\ncatchUp=1\n"_ba);
    }

    // Nothing of the page touched: the seven keys of today and nothing else.
    void taskWithoutOptionsIsSavedAsToday() {
        WhenModalOpens<TnewTaskForm>([](TnewTaskForm* form) {
            Child<QLineEdit>(form, "le_taskname")->setText(u"A"_s);
            Child<QLineEdit>(form, "le_Source")->setText(u"/s"_s);
            Child<QLineEdit>(form, "le_Dest")->setText(u"/d"_s);
            Child<QCheckBox>(form, "cbx_autochildDir")->setChecked(true);
            QTest::mouseClick(Child(form, "Button1"), Qt::LeftButton);
        });
        kolvane::ui::OpenNewTaskEditor(nullptr, sandbox_.settingsPath());
        QCOMPARE(sandbox_.readSettings(),
                 "[A]\ntaskName=A\ntaskSource=/s\ntaskDest=/d\ntaskautoChild=1\n"
                 "taskDD=13:26:00\nuseDelayM=0\ndelayM=60\n"_ba);
    }

    void pickersPutTheChosenPathIntoTheirEdits() {
        std::vector<kolvane::program::PathRequest> requests;
        std::optional<std::string> answer;
        kolvane::ui::SetPathPickerResponder([&](const kolvane::program::PathRequest& request) {
            requests.push_back(request);
            return answer;
        });
        TnewTaskForm form(sandbox_.settingsPath(), kolvane::StartNewTask());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* source = Child<QLineEdit>(&form, "le_Source");
        auto* dest = Child<QLineEdit>(&form, "le_Dest");
        auto* sourceButton = Child<QToolButton>(&form, "btn_Source");
        auto* destButton = Child<QToolButton>(&form, "btn_Dest");
        // Beside their edits, inside the page.
        const int pageWidth = Child(&form, "PanelDir")->width();
        for (const auto& [button, edit] : {std::pair<QWidget*, QWidget*>{sourceButton, source},
                                           std::pair<QWidget*, QWidget*>{destButton, dest}}) {
            QCOMPARE(button->y(), edit->y());
            QVERIFY(button->x() > edit->geometry().right());
            QVERIFY(button->geometry().right() < pageWidth);
        }
        source->setText(u" /old "_s);
        const std::string picked = QDir::tempPath().toStdString() + "/picked";
        answer = picked + "/tree";
        Child<QAction>(sourceButton->menu(), "pickSourceDirectory")->trigger();
        QCOMPARE(source->text(), QString::fromStdString(picked + "/tree"));
        answer = picked + "/one.txt";
        Child<QAction>(sourceButton->menu(), "pickSourceFile")->trigger();
        QCOMPARE(source->text(), QString::fromStdString(picked + "/one.txt"));
        answer = picked + "/backup";
        QTest::mouseClick(destButton, Qt::LeftButton);
        QCOMPARE(dest->text(), QString::fromStdString(picked + "/backup"));
        answer.reset(); // cancelled
        QTest::mouseClick(destButton, Qt::LeftButton);
        QCOMPARE(dest->text(), QString::fromStdString(picked + "/backup"));
        kolvane::ui::SetPathPickerResponder({});

        using kolvane::program::PathKind;
        QCOMPARE(requests.size(), 4u);
        QVERIFY(requests[0].kind == PathKind::Directory && requests[0].start == "/old");
        QVERIFY(requests[1].kind == PathKind::File && requests[1].start == picked + "/tree");
        QVERIFY(requests[2].kind == PathKind::Directory && requests[3].start == picked + "/backup");
        QCOMPARE(QString::fromStdString(requests[2].caption), u"选择目的目录"_s);
    }
};

QTEST_MAIN(TestNewTaskForm)
#include "tst_newtaskform.moc"
