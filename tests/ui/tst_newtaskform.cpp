#include "store/IniFile.h"
#include "store/TaskTable.h"
#include "support/WhenModalOpens.h"
#include "ui/MessageBoxes.h"
#include "ui/TnewTaskForm.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <array>
#include <vector>

using namespace Qt::Literals::StringLiterals;
using kolvane::TaskRow;
using kolvane::TaskTable;
using kolvane::TIniFile;
using kolvane::testing::WhenModalOpens;
using kolvane::ui::MessageBoxRequest;
using kolvane::ui::TnewTaskForm;

namespace {

template <typename Widget> Widget* Child(QWidget* form, const char* name) {
    auto* widget = form->findChild<Widget*>(QString::fromUtf8(name));
    if (!widget)
        qFatal("no widget %s", name);
    return widget;
}

} // namespace

class TestNewTaskForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void newTaskStartsEmptyAndClosingWritesNothing();
    void emptyFieldShowsItsPageMessageAndFocus_data();
    void emptyFieldShowsItsPageMessageAndFocus();
    void newTaskIsSavedAsTypedWithTheDefaultTime();
    void editShowsTheRowAndRenamesToTheEnd();
    void cloneTakesNameOneAndNoInterval();
    void spinBoxClampsTypedTextWhenTheFocusLeaves();
    void emptyTimeCellRaisesBeforeAnythingOpens();
    void pageListSwitchesPagesAndFocus();
    void pageListDrawsTheSelectedFrameInTheHighlightColour();

private:
    std::string settingsPath() const {
        return dir_->filePath(QStringLiteral("defaultSet.ini")).toStdString();
    }
    TaskTable reload() const;
    TaskRow rowNamed(const std::string& name) const;
    void writeSettings(const QByteArray& text);

    std::unique_ptr<QTemporaryDir> dir_;
    std::vector<MessageBoxRequest> boxes_;
};

void TestNewTaskForm::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    boxes_.clear();
    kolvane::ui::SetMessageBoxResponder([this](const MessageBoxRequest& request) {
        boxes_.push_back(request);
        return QMessageBox::Ok;
    });
}

void TestNewTaskForm::cleanup() {
    kolvane::ui::SetMessageBoxResponder({});
    dir_.reset();
}

TaskTable TestNewTaskForm::reload() const {
    TIniFile ini(settingsPath());
    TaskTable table;
    kolvane::LoadTasks(table, ini);
    return table;
}

TaskRow TestNewTaskForm::rowNamed(const std::string& name) const {
    const TaskTable table = reload();
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.cell(row, kolvane::kNameCell) == name)
            return table.row(row);
    }
    qFatal("no row %s", name.c_str());
}

void TestNewTaskForm::writeSettings(const QByteArray& text) {
    QFile file(QString::fromStdString(settingsPath()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void TestNewTaskForm::newTaskStartsEmptyAndClosingWritesNothing() {
    bool checked = false;
    WhenModalOpens<TnewTaskForm>([&](TnewTaskForm* form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("新任务"));
        QCOMPARE(form->size(), QSize(575, 372));
        auto* list = Child<QListWidget>(form, "lbxMain");
        QCOMPARE(list->count(), 3);
        QCOMPARE(list->item(0)->text(), QStringLiteral("基本设置"));
        QCOMPARE(list->item(1)->text(), QStringLiteral("选择目录或文件"));
        QCOMPARE(list->item(2)->text(), QStringLiteral("调度设置"));
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(Child<QWidget>(form, "PanelBase")->isVisible());
        QCOMPARE(form->focusWidget(), Child<QWidget>(form, "le_taskname"));
        QCOMPARE(Child<QTimeEdit>(form, "DTPtime")->time(), QTime(13, 26, 0));
        QCOMPARE(Child<QTimeEdit>(form, "DTPtime")->text(), QStringLiteral("13:26:00"));
        QCOMPARE(Child<QSpinBox>(form, "se_delayM")->value(), 60);
        QVERIFY(!Child<QCheckBox>(form, "cbx_delayM")->isChecked());
        QVERIFY(!Child<QCheckBox>(form, "cbx_autochildDir")->isChecked());
        Child<QLineEdit>(form, "le_taskname")->setText(QStringLiteral("typed but not saved"));
        QTest::keyClick(form->focusWidget(), Qt::Key_Escape); // no cancel button
        QTest::keyClick(form->focusWidget(), Qt::Key_Return); // no default button
        QVERIFY(form->isVisible());
        QVERIFY(boxes_.empty());
        QTest::mouseClick(Child<QWidget>(form, "Button2"), Qt::LeftButton);
        QVERIFY(!form->isVisible());
        QVERIFY(!form->hasSettingsFile());
        checked = true;
    });
    kolvane::ui::OpenNewTaskEditor(nullptr, settingsPath());
    QVERIFY(checked);
    QVERIFY(!QFile::exists(QString::fromStdString(settingsPath())));
}

void TestNewTaskForm::emptyFieldShowsItsPageMessageAndFocus_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("dest");
    QTest::addColumn<QString>("page");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::newRow("empty name") << u""_s << u"/s"_s << u"/d"_s << u"PanelBase"_s << 0
                                << u"任务名不能为空"_s << u"le_taskname"_s;
    QTest::newRow("blanks-only name") << u" \t "_s << u"/s"_s << u"/d"_s << u"PanelBase"_s << 0
                                      << u"任务名不能为空"_s << u"le_taskname"_s;
    QTest::newRow("blank source") << u"a"_s << u"   "_s << u"/d"_s << u"PanelDir"_s << 1
                                  << u"源目录（文件）不能为空"_s << u"le_Source"_s;
    QTest::newRow("empty destination") << u"a"_s << u"/s"_s << u""_s << u"PanelDir"_s << 1
                                       << u"目标目录不能为空"_s << u"le_Dest"_s;
}

void TestNewTaskForm::emptyFieldShowsItsPageMessageAndFocus() {
    QFETCH(QString, name);
    QFETCH(QString, source);
    QFETCH(QString, dest);
    QFETCH(QString, page);
    QFETCH(int, entry);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    bool checked = false;
    WhenModalOpens<TnewTaskForm>([&](TnewTaskForm* form) {
        Child<QLineEdit>(form, "le_taskname")->setText(name);
        Child<QLineEdit>(form, "le_Source")->setText(source);
        Child<QLineEdit>(form, "le_Dest")->setText(dest);
        auto* list = Child<QListWidget>(form, "lbxMain");
        list->setCurrentRow(2); // start from the schedule page, so the check must switch
        QTest::mouseClick(Child<QWidget>(form, "Button1"), Qt::LeftButton);
        QVERIFY(form->isVisible());
        QCOMPARE(boxes_.size(), size_t{1});
        QCOMPARE(boxes_[0].caption, QStringLiteral("提示"));
        QCOMPARE(boxes_[0].text, message);
        QCOMPARE(boxes_[0].icon, QMessageBox::Information);
        QVERIFY(form->findChild<QWidget*>(page)->isVisible());
        QCOMPARE(list->currentRow(), entry);
        QCOMPARE(form->focusWidget()->objectName(), focus);
        checked = true;
    });
    kolvane::ui::OpenNewTaskEditor(nullptr, settingsPath());
    QVERIFY(checked);
    QVERIFY(!QFile::exists(QString::fromStdString(settingsPath())));
}

void TestNewTaskForm::newTaskIsSavedAsTypedWithTheDefaultTime() {
    WhenModalOpens<TnewTaskForm>([](TnewTaskForm* form) {
        Child<QLineEdit>(form, "le_taskname")->setText(u" 每日 "_s);
        Child<QLineEdit>(form, "le_Source")->setText(u"/data "_s);
        Child<QLineEdit>(form, "le_Dest")->setText(u"/backup"_s);
        QTest::mouseClick(Child<QWidget>(form, "Button1"), Qt::LeftButton);
        QVERIFY(!form->isVisible());
    });
    kolvane::ui::OpenNewTaskEditor(nullptr, settingsPath());
    QVERIFY(boxes_.empty());
    const TaskRow row = rowNamed(" 每日 ");
    QCOMPARE(row.subItems[kolvane::kSourceCell], std::string("/data "));
    QCOMPARE(row.subItems[kolvane::kTimeCell], std::string("13:26:00"));
}

void TestNewTaskForm::editShowsTheRowAndRenamesToTheEnd() {
    writeSettings("[A]\ntaskName=A\ntaskSource=/s\ntaskDest=/d\ntaskautoChild=2\n"
                  "taskDD=07:08:09\nuseDelayM=1\ndelayM=5000\nrunCount=5\n"
                  "[B]\ntaskName=B\ntaskSource=/b\ntaskDest=/d\ntaskDD=01:00:00\n");
    bool checked = false;
    WhenModalOpens<TnewTaskForm>([&](TnewTaskForm* form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("A"));
        QCOMPARE(Child<QLineEdit>(form, "le_taskname")->text(), QStringLiteral("A"));
        QCOMPARE(Child<QTimeEdit>(form, "DTPtime")->time(), QTime(7, 8, 9));
        QVERIFY(Child<QCheckBox>(form, "cbx_autochildDir")->isChecked());
        QVERIFY(Child<QCheckBox>(form, "cbx_delayM")->isChecked());
        QCOMPARE(Child<QSpinBox>(form, "se_delayM")->text(), QStringLiteral("1439"));
        QCOMPARE(form->focusWidget(), Child<QWidget>(form, "le_taskname"));
        Child<QLineEdit>(form, "le_taskname")->setText(u"C"_s);
        QTest::mouseClick(Child<QWidget>(form, "Button1"), Qt::LeftButton);
        QVERIFY(!form->isVisible());
        checked = true;
    });
    kolvane::ui::OpenEditTaskEditor(nullptr, settingsPath(), rowNamed("A"));
    QVERIFY(checked);
    const TaskTable table = reload();
    QCOMPARE(table.rowCount(), 2);
    const TaskRow& edited = table.row(1); // a rename moves the task to the end
    QCOMPARE(edited.subItems,
             (std::array<std::string, 8>{"C", "/s", "/d", "07:08:09", "1", "", "0", "1439"}));
}

void TestNewTaskForm::cloneTakesNameOneAndNoInterval() {
    writeSettings("[A]\ntaskName=A\ntaskSource=/s\ntaskDest=/d\ntaskDD=07:00:00\n"
                  "useDelayM=1\ndelayM=30\nrunCount=4\n"
                  "[A1]\ntaskName=A1\ntaskSource=/old\ntaskDest=/old\ntaskDD=02:00:00\n"
                  "runCount=9\n");
    bool checked = false;
    WhenModalOpens<TnewTaskForm>([&](TnewTaskForm* form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("新任务"));
        QCOMPARE(Child<QLineEdit>(form, "le_taskname")->text(), QStringLiteral("A1"));
        QVERIFY(!Child<QCheckBox>(form, "cbx_delayM")->isChecked());
        QCOMPARE(Child<QSpinBox>(form, "se_delayM")->value(), 60);
        QTest::mouseClick(Child<QWidget>(form, "Button1"), Qt::LeftButton);
        checked = true;
    });
    kolvane::ui::OpenCloneTaskEditor(nullptr, settingsPath(), rowNamed("A"));
    QVERIFY(checked);
    QCOMPARE(rowNamed("A").subItems[kolvane::kIntervalCell], std::string("30"));
    const TaskRow clone = rowNamed("A1");
    QCOMPARE(clone.subItems[kolvane::kSourceCell], std::string("/s"));
    QCOMPARE(clone.subItems[kolvane::kIntervalCell], std::string());
    QCOMPARE(clone.subItems[kolvane::kRunCountCell], std::string("9"));
}

void TestNewTaskForm::spinBoxClampsTypedTextWhenTheFocusLeaves() {
    TnewTaskForm form(settingsPath(), kolvane::StartNewTask());
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

void TestNewTaskForm::emptyTimeCellRaisesBeforeAnythingOpens() {
    TaskRow row;
    row.subItems = {"A", "/s", "/d", "", "0", "", "0", ""};
    for (auto opener : {&kolvane::ui::OpenEditTaskEditor, &kolvane::ui::OpenCloneTaskEditor}) {
        try {
            opener(nullptr, settingsPath(), row);
            QFAIL("the opener returned");
        } catch (const std::runtime_error& error) {
            QCOMPARE(QString::fromUtf8(error.what()),
                     QStringLiteral("'' is not a valid date and time"));
        }
        for (QWidget* widget : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<TnewTaskForm*>(widget));
    }
}

void TestNewTaskForm::pageListSwitchesPagesAndFocus() {
    TnewTaskForm form(settingsPath(), kolvane::StartNewTask());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* list = Child<QListWidget>(&form, "lbxMain");
    const auto click = [list](int entry) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(entry)).center());
    };
    click(1);
    QVERIFY(Child<QWidget>(&form, "PanelDir")->isVisible());
    QCOMPARE(form.focusWidget(), Child<QWidget>(&form, "le_Source"));
    click(2);
    QVERIFY(Child<QWidget>(&form, "PanelDD")->isVisible());
    QCOMPARE(form.focusWidget(), list);
    click(0);
    QVERIFY(Child<QWidget>(&form, "PanelBase")->isVisible());
    QCOMPARE(form.focusWidget(), Child<QWidget>(&form, "le_taskname"));
}

void TestNewTaskForm::pageListDrawsTheSelectedFrameInTheHighlightColour() {
    TnewTaskForm form(settingsPath(), kolvane::StartNewTask());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* list = Child<QListWidget>(&form, "lbxMain");
    list->setCurrentRow(1);
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
    const QImage icon = image.copy(cell.left() + 10, cell.top() + 10, 16, 16);
    QImage blank(icon.size(), icon.format());
    blank.fill(fill);
    QVERIFY(icon != blank);
}

QTEST_MAIN(TestNewTaskForm)
#include "tst_newtaskform.moc"
