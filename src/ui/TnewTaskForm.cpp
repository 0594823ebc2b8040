#include "ui/TnewTaskForm.h"

#include "program/EditorLimits.h"
#include "store/IniFile.h"
#include "store/TaskTable.h"
#include "ui/DialogFonts.h"
#include "ui/IntervalSpinBox.h"
#include "ui/MessageBoxes.h"
#include "ui/PageListDelegate.h"
#include "ui/PathPickers.h"
#include "ui/TimePicker.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace kolvane::ui {
namespace {

constexpr int kClientWidth = 575;
constexpr int kClientHeight = 372;
constexpr int kPageListWidth = 193;
constexpr int kSplitterWidth = 3;
constexpr int kButtonBarHeight = 41;
constexpr int kEditHeight = 21;
constexpr int kLabelGap = 3;
constexpr int kCheckBoxHeight = 17;
// The picker buttons sit right of the path edits, inside the page's width.
constexpr int kPickButtonLeft = 348;
constexpr int kPickButtonWidth = 24;

QString BasePageCaption() {
    return QStringLiteral("基本设置");
}
QString DirPageCaption() {
    return QStringLiteral("选择目录或文件");
}
QString SchedulePageCaption() {
    return QStringLiteral("调度设置");
}
QString AdvancedPageCaption() {
    return QStringLiteral("高级设置");
}

// A page panel: its controls sit at fixed places, as on the other pages.
QWidget* NewPage(const QString& objectName) {
    auto* page = new QWidget;
    page->setObjectName(objectName);
    return page;
}

QToolButton* NewPickButton(QWidget* parent, const QString& objectName, const QString& toolTip,
                           int top) {
    auto* button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(QStringLiteral("…"));
    button->setToolTip(toolTip);
    button->setGeometry(kPickButtonLeft, top, kPickButtonWidth, kEditHeight);
    return button;
}

QPushButton* NewButton(QWidget* parent, const QString& objectName, const QString& caption,
                       int left) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setGeometry(left, 8, 75, 25);
    // Neither button is the default, so Enter does nothing dialog-wide.
    button->setAutoDefault(false);
    return button;
}

void RunEditor(QWidget* over, const std::string& settingsPath, const EditorStart& start) {
    // The main window may be torn down while the dialog runs; the pointer then goes null.
    QPointer<TnewTaskForm> form = new TnewTaskForm(settingsPath, start, over);
    form->exec();
    delete form;
}

} // namespace

void OpenNewTaskEditor(QWidget* over, const std::string& settingsPath) {
    RunEditor(over, settingsPath, StartNewTask());
}

void OpenEditTaskEditor(QWidget* over, const std::string& settingsPath, const TaskRow& row) {
    RunEditor(over, settingsPath, StartEditTask(row));
}

void OpenCloneTaskEditor(QWidget* over, const std::string& settingsPath, const TaskRow& row) {
    RunEditor(over, settingsPath, StartCloneTask(row));
}

TnewTaskForm::TnewTaskForm(const std::string& settingsPath, const EditorStart& start, QWidget* over)
    : FixedDialog(over) {
    setObjectName(QStringLiteral("newTaskForm"));
    setFont(TahomaFont());
    setFixedSize(kClientWidth, kClientHeight);
    buildLayout();
    FormCreate(settingsPath);
    showFields(start.fields);
    isEdit = start.isEdit;
    oldTaskName = start.oldTaskName;
    setWindowTitle(isEdit ? QString::fromStdString(oldTaskName) : QStringLiteral("新任务"));
}

TnewTaskForm::~TnewTaskForm() = default;

void TnewTaskForm::FormCreate(const std::string& settingsPath) {
    const QSignalBlocker blocker(lbxMain);
    lbxMain->addItem(
        new QListWidgetItem(QIcon(QStringLiteral(":/editor/page-base.svg")), BasePageCaption()));
    lbxMain->addItem(
        new QListWidgetItem(QIcon(QStringLiteral(":/editor/page-dir.svg")), DirPageCaption()));
    lbxMain->addItem(new QListWidgetItem(QIcon(QStringLiteral(":/editor/page-schedule.svg")),
                                         SchedulePageCaption()));
    lbxMain->addItem(new QListWidgetItem(QIcon(QStringLiteral(":/editor/page-advanced.svg")),
                                         AdvancedPageCaption()));
    taskIni = std::make_unique<TIniFile>(settingsPath);
    lbxMain->setCurrentRow(0);
    showPage(EditorPage::Base);
}

void TnewTaskForm::buildLayout() {
    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setHandleWidth(kSplitterWidth);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(buildPageList());
    splitter->addWidget(buildRightPane());
    splitter->setSizes({kPageListWidth, kClientWidth - kPageListWidth - kSplitterWidth});
    splitter->setStretchFactor(1, 1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
}

QWidget* TnewTaskForm::buildPageList() {
    auto* panelLeft = new QWidget;
    panelLeft->setObjectName(QStringLiteral("PanelLeft"));
    lbxMain = new QListWidget(panelLeft);
    lbxMain->setObjectName(QStringLiteral("lbxMain"));
    lbxMain->setFrameShape(QFrame::NoFrame);
    lbxMain->setItemDelegate(new PageListDelegate(lbxMain));
    lbxMain->setIconSize(QSize(16, 16));
    lbxMain->setUniformItemSizes(true);
    connect(lbxMain, &QListWidget::currentRowChanged, this, &TnewTaskForm::lbxMainClick);
    connect(lbxMain, &QListWidget::itemClicked, this, &TnewTaskForm::lbxMainClick);

    auto* layout = new QVBoxLayout(panelLeft);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lbxMain);
    return panelLeft;
}

QWidget* TnewTaskForm::buildRightPane() {
    auto* panelRight = new QWidget;
    panelRight->setObjectName(QStringLiteral("PanelRigth"));
    pages = new QStackedWidget(panelRight);
    pages->addWidget(buildBasePage());
    pages->addWidget(buildDirPage());
    pages->addWidget(buildSchedulePage());
    pages->addWidget(buildAdvancedPage());

    auto* panelButton = new QWidget(panelRight);
    panelButton->setObjectName(QStringLiteral("PanelButton"));
    panelButton->setFixedHeight(kButtonBarHeight);
    Button1 = NewButton(panelButton, QStringLiteral("Button1"), QStringLiteral("保存"), 104);
    Button2 = NewButton(panelButton, QStringLiteral("Button2"), QStringLiteral("关闭"), 224);
    connect(Button1, &QPushButton::clicked, this, &TnewTaskForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TnewTaskForm::reject);

    auto* layout = new QVBoxLayout(panelRight);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pages, 1);
    layout->addWidget(panelButton);
    return panelRight;
}

QWidget* TnewTaskForm::buildBasePage() {
    PanelBase = NewPage(QStringLiteral("PanelBase"));
    le_taskname = addLabelledEdit(PanelBase, QStringLiteral("le_taskname"),
                                  QStringLiteral("任务名称："), 51, 78, 249);
    return PanelBase;
}

QWidget* TnewTaskForm::buildDirPage() {
    PanelDir = NewPage(QStringLiteral("PanelDir"));
    le_Source = addLabelledEdit(PanelDir, QStringLiteral("le_Source"),
                                QStringLiteral("源目录（文件）："), 32, 59, 313);
    le_Dest = addLabelledEdit(PanelDir, QStringLiteral("le_Dest"), QStringLiteral("目的目录："), 32,
                              120, 313);
    cbx_autochildDir = new QCheckBox(QStringLiteral("自动创建以当前时间命名的子目录"), PanelDir);
    cbx_autochildDir->setObjectName(QStringLiteral("cbx_autochildDir"));
    cbx_autochildDir->setGeometry(152, 142, 193, kCheckBoxHeight);

    // The source is a directory tree or a single file: its button asks which.
    btn_Source = NewPickButton(PanelDir, QStringLiteral("btn_Source"),
                               QStringLiteral("选择源目录或文件"), 59);
    btn_Source->setPopupMode(QToolButton::InstantPopup);
    auto* sourceMenu = new QMenu(btn_Source);
    sourceMenu->setObjectName(QStringLiteral("sourcePickMenu"));
    QAction* directory = sourceMenu->addAction(QStringLiteral("选择目录…"), this, [this] {
        PickInto(le_Source, program::SourceDirectoryRequest(le_Source->text().toStdString()));
    });
    directory->setObjectName(QStringLiteral("pickSourceDirectory"));
    QAction* file = sourceMenu->addAction(QStringLiteral("选择文件…"), this, [this] {
        PickInto(le_Source, program::SourceFileRequest(le_Source->text().toStdString()));
    });
    file->setObjectName(QStringLiteral("pickSourceFile"));
    btn_Source->setMenu(sourceMenu);

    btn_Dest =
        NewPickButton(PanelDir, QStringLiteral("btn_Dest"), QStringLiteral("选择目的目录"), 120);
    connect(btn_Dest, &QToolButton::clicked, this, [this] {
        PickInto(le_Dest, program::DestinationRequest(le_Dest->text().toStdString()));
    });
    return PanelDir;
}

QWidget* TnewTaskForm::buildSchedulePage() {
    PanelDD = NewPage(QStringLiteral("PanelDD"));
    // The time picker and the spin box are made after their captions, so they lie on top of the
    // blank stretches left in the captions for them.
    Label1 = new QLabel(QStringLiteral("每天") + QString(32, QLatin1Char(' ')) +
                            QStringLiteral("执行备份任务"),
                        PanelDD);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(24, 59);
    Label1->adjustSize();
    DTPtime = new TimePicker(PanelDD);
    DTPtime->setObjectName(QStringLiteral("DTPtime"));
    DTPtime->setGeometry(51, 56, 89, kEditHeight);

    cbx_delayM = new QCheckBox(QStringLiteral("每隔") + QString(23, QLatin1Char(' ')) +
                                   QStringLiteral("分钟执行一次备份"),
                               PanelDD);
    cbx_delayM->setObjectName(QStringLiteral("cbx_delayM"));
    // Wider where the fall-back font's blanks are wider than Tahoma's, so the caption is not cut.
    cbx_delayM->setGeometry(24, 97, std::max(206, cbx_delayM->sizeHint().width()), kCheckBoxHeight);
    se_delayM = new IntervalSpinBox(PanelDD);
    se_delayM->setObjectName(QStringLiteral("se_delayM"));
    se_delayM->setGeometry(70, 96, 61, 22);
    return PanelDD;
}

// Linking to the previous copy and keeping the newest copies work on the time-named
// sub-directories, so their controls take part only while cbx_autochildDir is ticked.
QWidget* TnewTaskForm::buildAdvancedPage() {
    PanelAdvanced = NewPage(QStringLiteral("PanelAdvanced"));
    cbx_skipSame =
        new QCheckBox(QStringLiteral("跳过未变的文件（大小和修改时间都相同）"), PanelAdvanced);
    cbx_skipSame->setObjectName(QStringLiteral("cbx_skipSame"));
    cbx_skipSame->setGeometry(32, 36, 313, kCheckBoxHeight);
    cbx_catchUp =
        new QCheckBox(QStringLiteral("程序启动时补做错过的备份（24 小时内）"), PanelAdvanced);
    cbx_catchUp->setObjectName(QStringLiteral("cbx_catchUp"));
    cbx_catchUp->setGeometry(32, 62, 313, kCheckBoxHeight);
    le_excludeMask = addLabelledEdit(
        PanelAdvanced, QStringLiteral("le_excludeMask"),
        QStringLiteral("不备份的文件和目录（可用 * 和 ?，以 ; 分隔）："), 32, 118, 313);
    le_excludeMask->setPlaceholderText(QStringLiteral("例如：*.tmp;~*"));

    TimeNamedLabel =
        new QLabel(QStringLiteral("以时间命名的子目录（需勾选“自动创建”）："), PanelAdvanced);
    TimeNamedLabel->setObjectName(QStringLiteral("TimeNamedLabel"));
    TimeNamedLabel->move(32, 164);
    TimeNamedLabel->adjustSize();
    cbx_linkSame = new QCheckBox(QStringLiteral("未变的文件硬链接到上一次的副本"), PanelAdvanced);
    cbx_linkSame->setObjectName(QStringLiteral("cbx_linkSame"));
    cbx_linkSame->setGeometry(48, 186, 297, kCheckBoxHeight);

    KeepLastLabel = new QLabel(QStringLiteral("只保留最近"), PanelAdvanced);
    KeepLastLabel->setObjectName(QStringLiteral("KeepLastLabel"));
    KeepLastLabel->adjustSize();
    KeepLastLabel->move(48, 216);
    se_keepLast = new QSpinBox(PanelAdvanced);
    se_keepLast->setObjectName(QStringLiteral("se_keepLast"));
    se_keepLast->setRange(0, program::kMaxKeepLast);
    se_keepLast->setGeometry(KeepLastLabel->geometry().right() + 5, 212, 61, 22);
    KeepLastUnitLabel = new QLabel(QStringLiteral("个（0 表示全部保留）"), PanelAdvanced);
    KeepLastUnitLabel->setObjectName(QStringLiteral("KeepLastUnitLabel"));
    KeepLastUnitLabel->adjustSize();
    KeepLastUnitLabel->move(se_keepLast->geometry().right() + 5, 216);
    KeepLastLabel->setBuddy(se_keepLast);

    connect(cbx_autochildDir, &QCheckBox::toggled, this, &TnewTaskForm::EnableTimeNamedOptions);
    EnableTimeNamedOptions(cbx_autochildDir->isChecked());
    return PanelAdvanced;
}

void TnewTaskForm::EnableTimeNamedOptions(bool timeNamed) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             TimeNamedLabel, cbx_linkSame, KeepLastLabel, se_keepLast, KeepLastUnitLabel})
        control->setEnabled(timeNamed);
}

QLineEdit* TnewTaskForm::addLabelledEdit(QWidget* page, const QString& objectName,
                                         const QString& label, int left, int top, int width) {
    auto* edit = new QLineEdit(page);
    edit->setObjectName(objectName);
    edit->setGeometry(left, top, width, kEditHeight);
    auto* caption = new QLabel(label, page);
    caption->setObjectName(objectName + QStringLiteral("Label"));
    caption->setBuddy(edit);
    caption->adjustSize();
    caption->move(left, top - kLabelGap - caption->height());
    return edit;
}

void TnewTaskForm::PickInto(QLineEdit* edit, const program::PathRequest& request) {
    if (const std::optional<std::string> chosen = PickPath(this, request)) {
        edit->setText(QString::fromStdString(*chosen));
        edit->setFocus();
    }
}

void TnewTaskForm::showFields(const TaskFields& fields) {
    le_taskname->setText(QString::fromStdString(fields.name));
    le_Source->setText(QString::fromStdString(fields.source));
    le_Dest->setText(QString::fromStdString(fields.dest));
    cbx_autochildDir->setChecked(fields.autoChildDir);
    DTPtime->setTime(QTime::fromMSecsSinceStartOfDay(fields.timeOfDay * 1000));
    cbx_delayM->setChecked(fields.useInterval);
    se_delayM->setValue(fields.interval);
    cbx_skipSame->setChecked(fields.options.skipSame);
    cbx_linkSame->setChecked(fields.options.linkSame);
    se_keepLast->setValue(fields.options.keepLast);
    le_excludeMask->setText(QString::fromStdString(fields.options.excludeMask));
    cbx_catchUp->setChecked(fields.options.catchUp);
    givenFields = fields;
    shownFields = fieldsOfWidgets();
}

TaskFields TnewTaskForm::enteredFields() const {
    TaskFields fields = fieldsOfWidgets();
    KeepUneditedTexts(fields, givenFields, shownFields);
    return fields;
}

TaskFields TnewTaskForm::fieldsOfWidgets() const {
    TaskFields fields;
    fields.name = le_taskname->text().toStdString();
    fields.source = le_Source->text().toStdString();
    fields.dest = le_Dest->text().toStdString();
    fields.autoChildDir = cbx_autochildDir->isChecked();
    fields.timeOfDay = DTPtime->time().msecsSinceStartOfDay() / 1000;
    fields.useInterval = cbx_delayM->isChecked();
    fields.interval = se_delayM->settledValue();
    fields.options.skipSame = cbx_skipSame->isChecked();
    fields.options.linkSame = cbx_linkSame->isChecked();
    fields.options.keepLast = se_keepLast->value();
    fields.options.excludeMask = le_excludeMask->text().toStdString();
    fields.options.catchUp = cbx_catchUp->isChecked();
    return fields;
}

void TnewTaskForm::lbxMainClick() {
    const QListWidgetItem* entry = lbxMain->currentItem();
    if (!entry || !entry->isSelected())
        return;
    const QString caption = entry->text();
    if (caption == BasePageCaption()) {
        showPage(EditorPage::Base);
        le_taskname->setFocus();
    } else if (caption == DirPageCaption()) {
        showPage(EditorPage::Dir);
        le_Source->setFocus();
    } else if (caption == SchedulePageCaption()) {
        showPage(EditorPage::Schedule);
    } else if (caption == AdvancedPageCaption()) {
        showPage(EditorPage::Advanced);
    }
}

void TnewTaskForm::showPage(EditorPage page) {
    pages->setCurrentIndex(static_cast<int>(page));
}

QWidget* TnewTaskForm::fieldWidget(EditorField field) const {
    switch (field) {
    case EditorField::TaskName:
        return le_taskname;
    case EditorField::Source:
        return le_Source;
    case EditorField::Dest:
        return le_Dest;
    }
    return le_taskname;
}

bool TnewTaskForm::SaveTask() {
    const TaskFields fields = enteredFields();
    if (const auto problem = CheckTaskFields(fields)) {
        showPage(problem->page);
        {
            const QSignalBlocker blocker(lbxMain);
            lbxMain->setCurrentRow(static_cast<int>(problem->page));
        }
        ShowInfo(this, QString::fromStdString(problem->message));
        fieldWidget(problem->field)->setFocus();
        return false;
    }
    // Plain calls with no event processing in between, so no scheduler tick can fall between the
    // erase of a rename and the writes that follow.
    WriteTask(*taskIni, fields, isEdit, oldTaskName);
    return true;
}

void TnewTaskForm::Button1Click() {
    try {
        if (SaveTask())
            accept();
    } catch (const std::exception& error) {
        // The dialog stays open; the writes made before the failure stay in the file.
        ShowErrorBox(this, QString::fromStdString(error.what()));
    }
}

void TnewTaskForm::done(int result) {
    taskIni.reset();
    QDialog::done(result);
}

void TnewTaskForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    le_taskname->setFocus();
}

} // namespace kolvane::ui
