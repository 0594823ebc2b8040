#include "store/IniFile.h"
#include "store/TaskTable.h"
#include "support/UiTestSupport.h"
#include "ui/TnewTaskForm.h"

#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

using namespace Qt::Literals::StringLiterals;
using namespace kolvane::testing;
using kolvane::ui::TnewTaskForm;
using Cells = std::array<std::string, kolvane::kSubItemCount>;

namespace {

template <typename Widget = QWidget> Widget* Child(QWidget* form, const char* name) {
    return form->findChild<Widget*>(QString::fromUtf8(name));
}

void Type(QWidget* form, const char* edit, const QString& text) {
    Child<QLineEdit>(form, edit)->setText(text);
}

void Click(QWidget* form, const char* button) {
    QTest::mouseClick(Child(form, button), Qt::LeftButton);
}

kolvane::TaskTable Tasks(const UiSandbox& sandbox) {
    kolvane::TIniFile ini(sandbox.settingsPath());
    kolvane::TaskTable table;
    kolvane::LoadTasks(table, ini);
    return table;
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
            QCOMPARE(form->windowTitle(), u"新任务"_s);
            QCOMPARE(form->focusWidget(), Child(form, "le_taskname"));
            QCOMPARE(Child<QTimeEdit>(form, "DTPtime")->text(), u"13:26:00"_s);
            QTest::keyClick(form->focusWidget(), Qt::Key_Escape); // no cancel button
            QTest::keyClick(form->focusWidget(), Qt::Key_Return); // no default button
            QVERIFY(form->isVisible());
            Type(form, "le_taskname", u" 每日 "_s);
            Type(form, "le_Source", u"/data "_s);
            Type(form, "le_Dest", u"/backup"_s);
            Click(form, "Button1");
            QVERIFY(!form->isVisible());
        });
        kolvane::ui::OpenNewTaskEditor(nullptr, sandbox_.settingsPath());
        QVERIFY(answerer_.requests.empty());
        const kolvane::TaskTable tasks = Tasks(sandbox_);
        QCOMPARE(tasks.rowCount(), 1);
        QCOMPARE(tasks.row(0).subItems,
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
                Type(form, "le_taskname", fields[0]);
                Type(form, "le_Source", fields[1]);
                Type(form, "le_Dest", fields[2]);
                list->setCurrentRow(2); // start from the schedule page, so the check must switch
                Click(form, "Button1");
                QVERIFY(form->isVisible());
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
            Type(form, "le_taskname", u"C"_s);
            Click(form, "Button1");
        });
        kolvane::ui::OpenEditTaskEditor(nullptr, sandbox_.settingsPath(), Tasks(sandbox_).row(0));
        const kolvane::TaskTable tasks = Tasks(sandbox_);
        QCOMPARE(tasks.rowCount(), 2);
        QCOMPARE(tasks.row(1).subItems, (Cells{"C", "/s", "/d", "07:08:09", "1", "", "0", "1439"}));
    }

    void cloneTakesNameOneAndNoIntervalAndWritesOverThatName() {
        sandbox_.writeSettings("[A]\ntaskName=A\ntaskSource=/s\ntaskDest=/d\ntaskDD=07:00:00\n"
                               "useDelayM=1\ndelayM=30\nrunCount=4\n"
                               "[A1]\ntaskName=A1\ntaskSource=/old\ntaskDest=/old\n"
                               "taskDD=02:00:00\nrunCount=9\n");
        WhenModalOpens<TnewTaskForm>([](TnewTaskForm* form) {
            QCOMPARE(Child<QSpinBox>(form, "se_delayM")->value(), 60);
            Click(form, "Button1");
        });
        kolvane::ui::OpenCloneTaskEditor(nullptr, sandbox_.settingsPath(), Tasks(sandbox_).row(0));
        const kolvane::TaskTable tasks = Tasks(sandbox_);
        QCOMPARE(tasks.row(0).subItems[kolvane::kIntervalCell], "30");
        QCOMPARE(tasks.row(1).subItems, (Cells{"A1", "/s", "/d", "07:00:00", "0", "", "9", ""}));
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
            QCOMPARE(spin->value(), shown.toInt());
        }
    }

    void emptyTimeCellRaisesBeforeAnythingOpens() {
        const kolvane::TaskRow row{{}, {"A", "/s", "/d", "", "0", "", "0", ""}};
        for (auto opener : {&kolvane::ui::OpenEditTaskEditor, &kolvane::ui::OpenCloneTaskEditor}) {
            try {
                opener(nullptr, sandbox_.settingsPath(), row);
                QFAIL("the editor opened");
            } catch (const std::runtime_error& error) {
                QCOMPARE(error.what(), "'' is not a valid date and time");
            }
        }
    }

    void pageListSwitchesPagesAndFramesTheSelectedEntry() {
        TnewTaskForm form(sandbox_.settingsPath(), kolvane::StartNewTask());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto* list = Child<QListWidget>(&form, "lbxMain");
        const struct {
            int entry;
            const char* page;
            const char* focus;
        } clicks[] = {{2, "PanelDD", "lbxMain"},
                      {0, "PanelBase", "le_taskname"},
                      {1, "PanelDir", "le_Source"}};
        for (const auto& click : clicks) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(click.entry)).center());
            QVERIFY(Child(&form, click.page)->isVisible());
            QCOMPARE(form.focusWidget(), Child(&form, click.focus));
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
    }
};

QTEST_MAIN(TestNewTaskForm)
#include "tst_newtaskform.moc"
