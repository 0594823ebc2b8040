#include "ui/TmainForm.h"

#include "ui/HomePageLink.h"
#include "ui/JobEventPump.h"
#include "ui/LogModel.h"
#include "ui/MessageBoxes.h"
#include "ui/ProgramResources.h"
#include "ui/TaboutForm.h"
#include "ui/TaskTableModel.h"
#include "ui/TnewTaskForm.h"
#include "ui/TrayIcon.h"
#include "ui/UiTimer.h"
#include "ui/WindowLook.h"
#include "web/HomePage.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <utility>

namespace kolvane::ui {
namespace {

constexpr QSize kOuterSize{860, 579};
constexpr int kToolBarHeight = 26;
constexpr int kToolButtonWidth = 75;
constexpr int kToolButtonHeight = 22;
constexpr QRect kSpeedButtonGeometry{360, 0, 61, 22};
constexpr int kStatusPanelWidth = 50;
constexpr int kStatusBarHeight = 19;
constexpr int kUpperPaneHeight = 210;
constexpr int kSplitterHandleHeight = 3;

QFrame* LoweredPanel(const char* name, QWidget* content) {
    auto* panel = new QFrame;
    panel->setObjectName(QString::fromUtf8(name));
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    return panel;
}

} // namespace

TmainForm::TmainForm(std::string settingsPath, std::string_view homePageAddress,
                     std::shared_ptr<const Clock> clock, QWidget* parent)
    : QMainWindow(parent) {
    LoadProgramResources();
    setObjectName(QStringLiteral("mainForm"));
    setWindowTitle(QStringLiteral("Kolvane3.0"));
    setWindowIcon(QIcon(QStringLiteral(":/app/kolvane.svg")));
    setFont(WindowFont());

    // UI thread: the pump hands over what the workers posted, batch by batch.
    pump_ = new JobEventPump(
        [this](std::vector<JobEvent>& batch) {
            if (program_)
                program_->ShowProgress(batch);
        },
        this);
    TimerMain = new UiTimer(QStringLiteral("TimerMain"), this);
    logModel_ = new LogModel(this);
    FormCreate(std::move(settingsPath), std::move(clock));

    BuildToolBar();
    BuildStatusBar();
    BuildPanes();
    BuildPopupMenu();
    ColourAdvert(DrawAdvertColour(MillisecondsSinceUtcMidnight()));

    tray_ = new TrayIcon(this);
    Timer1 = new UiTimer(QStringLiteral("Timer1"), this);
    hourlyRequest_ = std::make_unique<program::HourlyRequest>(*Timer1, homePageAddress);

    resize(kOuterSize);
    move(screen()->availableGeometry().center() -
         QPoint(kOuterSize.width() / 2, kOuterSize.height() / 2));
}

TmainForm::~TmainForm() {
    hourlyRequest_->Close();
    program_->Close();
    // The model reads the program's table, which goes before the window's children do.
    delete taskModel_;
}

std::shared_ptr<JobEventSink> TmainForm::progressSink() const {
    return pump_->sink();
}

// ---- building the window -------------------------------------------------------------------

void TmainForm::BuildToolBar() {
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->setIconSize({16, 16});
    ToolBar1->setFixedHeight(kToolBarHeight);
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    auto addButton = [this](const char* name, const char* caption, const char* picture,
                            void (TmainForm::*handler)()) {
        auto* button = new QToolButton(ToolBar1);
        button->setObjectName(QString::fromUtf8(name));
        button->setText(QString::fromUtf8(caption));
        button->setIcon(QIcon(QString::fromUtf8(picture)));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        button->setFixedSize(kToolButtonWidth, kToolButtonHeight);
        connect(button, &QToolButton::clicked, this, handler);
        ToolBar1->addWidget(button);
        return button;
    };
    auto addSeparator = [this](const char* name) {
        ToolBar1->addSeparator()->setObjectName(QString::fromUtf8(name));
    };

    ToolButton4 =
        addButton("ToolButton4", "新任务", ":/toolbar/new-task.svg", &TmainForm::ToolButton4Click);
    ToolButton2 =
        addButton("ToolButton2", "刷新", ":/toolbar/refresh.svg", &TmainForm::ToolButton2Click);
    addSeparator("ToolButton3");
    ToolButton1 =
        addButton("ToolButton1", "运行任务", ":/toolbar/run.svg", &TmainForm::ToolButton1Click);
    addSeparator("ToolButton5");
    ToolButton6 =
        addButton("ToolButton6", "关于", ":/toolbar/about.svg", &TmainForm::ToolButton6Click);
    BuildAdvertPanel();
}

void TmainForm::BuildAdvertPanel() {
    PanelMsg = new QFrame(ToolBar1);
    PanelMsg->setObjectName(QStringLiteral("PanelMsg"));
    PanelMsg->setFrameShape(QFrame::NoFrame);
    PanelMsg->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    PanelMsg->setFixedHeight(kToolButtonHeight);

    PanelMsgText = new QLabel(QStringLiteral("Kolvane 定时备份，安全省心"));
    PanelMsgText->setObjectName(QStringLiteral("PanelMsgText"));
    PanelMsgText->setAlignment(Qt::AlignCenter);
    auto* layout = new QHBoxLayout(PanelMsg);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PanelMsgText);

    // Placed by hand over the text, as a speed button sits on its panel.
    SpeedButton1 = new QToolButton(PanelMsg);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("下载地址"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setGeometry(kSpeedButtonGeometry);
    SpeedButton1->raise();
    connect(SpeedButton1, &QToolButton::clicked, this, &TmainForm::SpeedButton1Click);

    ToolBar1->addWidget(PanelMsg);
}

void TmainForm::BuildStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(kStatusBarHeight);
    auto* ready = new QLabel(QStringLiteral("就绪"));
    ready->setMinimumWidth(kStatusPanelWidth);
    auto* contact = new QLabel(QStringLiteral("主页：%1    联系电话：010-8888-6666")
                                   .arg(QString::fromUtf8(HomePageAddress)));
    contact->setMinimumWidth(kStatusPanelWidth);
    StatusBar1->addWidget(ready);
    StatusBar1->addWidget(contact, 1);
    setStatusBar(StatusBar1);
}

void TmainForm::BuildPanes() {
    lv_task = new QTreeView;
    lv_task->setObjectName(QStringLiteral("lv_task"));
    lv_task->setModel(taskModel_);
    lv_task->setRootIsDecorated(false);
    lv_task->setItemsExpandable(false);
    lv_task->setUniformRowHeights(true);
    lv_task->setAllColumnsShowFocus(true);
    lv_task->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv_task->setSelectionMode(QAbstractItemView::SingleSelection);
    lv_task->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lv_task->setContextMenuPolicy(Qt::CustomContextMenu);
    lv_task->header()->setStretchLastSection(false);
    lv_task->header()->setSectionsMovable(false);
    for (int column = 0; column < TaskTableModel::kColumnCount; ++column)
        lv_task->header()->resizeSection(column, TaskTableModel::ColumnWidth(column));
    lv_task->viewport()->installEventFilter(this);
    connect(lv_task->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TmainForm::lv_taskSelectionChanged);
    connect(lv_task, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PopupMenuMain->popup(lv_task->viewport()->mapToGlobal(at));
    });

    LogsSHower = new QListView;
    LogsSHower->setObjectName(QStringLiteral("LogsSHower"));
    LogsSHower->setModel(logModel_);
    LogsSHower->setUniformItemSizes(true);
    LogsSHower->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LogsSHower->setSelectionMode(QAbstractItemView::SingleSelection);

    Panel2 = LoweredPanel("Panel2", lv_task);
    Panel2->setMinimumHeight(1);
    Panel3 = LoweredPanel("Panel3", LogsSHower);
    Panel3->setMinimumHeight(kMinimumPaneHeight);

    Splitter1 = new QSplitter(Qt::Vertical);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kSplitterHandleHeight);
    // The boundary moves when the mouse button is released, not while dragging.
    Splitter1->setOpaqueResize(false);
    Splitter1->addWidget(Panel2);
    Splitter1->addWidget(Panel3);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setCollapsible(0, true);
    Splitter1->setCollapsible(1, false);
    connect(Splitter1, &QSplitter::splitterMoved, this, &TmainForm::Splitter1Moved);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Splitter1);
    setCentralWidget(Panel1);
}

void TmainForm::BuildPopupMenu() {
    PopupMenuMain = new QMenu(this);
    PopupMenuMain->setObjectName(QStringLiteral("PopupMenuMain"));
    PopupMenuMain->setFont(font());
    N1 = PopupMenuMain->addAction(QStringLiteral("运行任务"), this, &TmainForm::N1Click);
    N1->setObjectName(QStringLiteral("N1"));
    N2 = PopupMenuMain->addAction(QStringLiteral("克隆任务"), this, &TmainForm::N2Click);
    N2->setObjectName(QStringLiteral("N2"));
    N3 = PopupMenuMain->addSeparator();
    N3->setObjectName(QStringLiteral("N3"));
    N4 = PopupMenuMain->addAction(QStringLiteral("删除任务"), this, &TmainForm::N4Click);
    N4->setObjectName(QStringLiteral("N4"));
    N5 = PopupMenuMain->addAction(QStringLiteral("停止任务"), this, &TmainForm::N5Click);
    N5->setObjectName(QStringLiteral("N5"));
}

void TmainForm::FormCreate(std::string settingsPath, std::shared_ptr<const Clock> clock) {
    program_ = std::make_unique<program::MainProgram>(
        std::move(settingsPath),
        program::FrontEnd{*this, boxes_, *TimerMain, *pump_, std::move(clock),
                          ApplicationTitle().toStdString()});
    taskModel_ = new TaskTableModel(program_->table(), this);
}

void TmainForm::ColourAdvert(const QColor& colour) {
    QPalette palette = PanelMsg->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::ButtonText, colour);
    PanelMsg->setPalette(palette);
}

void TmainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (std::exchange(fittedOnce_, true))
        return;
    Splitter1->setSizes(
        {kUpperPaneHeight, Splitter1->height() - kUpperPaneHeight - Splitter1->handleWidth()});
    awaitingFrame_ = true;
}

void TmainForm::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    // A window manager tells the frame it added with the move that places the framed window,
    // some time after the window was shown; without a window manager no frame ever comes.
    if (awaitingFrame_)
        FitOuterSizeAndCentre();
}

void TmainForm::FitOuterSizeAndCentre() {
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isNull())
        return;
    awaitingFrame_ = false;
    if (isMaximized())
        return;
    resize(kOuterSize - frame);
    move(screen()->availableGeometry().center() -
         QPoint(kOuterSize.width() / 2, kOuterSize.height() / 2));
}

// ---- commands ------------------------------------------------------------------------------

void TmainForm::ShowAtStart(bool startedAtLogin) {
    if (!startedAtLogin || !tray_->startInTray())
        show();
}

void TmainForm::RunSelectedTask() {
    program_->RunSelectedTask();
}

void TmainForm::ToolButton4Click() {
    program_->NewTask();
}

void TmainForm::ToolButton2Click() {
    program_->LoadTasks();
}

void TmainForm::ToolButton1Click() {
    program_->RunSelectedTask();
}

void TmainForm::ToolButton6Click() {
    ShowAboutBox(this);
}

void TmainForm::SpeedButton1Click() {
    OpenHomePage();
}

void TmainForm::N1Click() {
    program_->RunSelectedTask();
}

void TmainForm::N2Click() {
    program_->CloneSelectedTask();
}

void TmainForm::N4Click() {
    program_->DeleteSelectedTask();
}

void TmainForm::N5Click() {
    program_->StopSelectedTask();
}

void TmainForm::lv_taskDblClick() {
    program_->EditSelectedTask();
}

void TmainForm::NotifyRunFailures(const std::string& taskName, int failedFiles) {
    tray_->NotifyRunFailures(taskName, failedFiles);
}

void TmainForm::OpenNewTaskEditor(const std::string& settingsPath) {
    ui::OpenNewTaskEditor(this, settingsPath);
}

void TmainForm::OpenEditTaskEditor(const std::string& settingsPath, const TaskRow& row) {
    ui::OpenEditTaskEditor(this, settingsPath, row);
}

void TmainForm::OpenCloneTaskEditor(const std::string& settingsPath, const TaskRow& row) {
    ui::OpenCloneTaskEditor(this, settingsPath, row);
}

void TmainForm::lv_taskSelectionChanged() {
    const QModelIndexList rows = lv_task->selectionModel()->selectedRows();
    program_->table().setSelectedIndex(rows.isEmpty() ? -1 : rows.front().row());
}

bool TmainForm::eventFilter(QObject* watched, QEvent* event) {
    // A double click anywhere in the table, below the last row too, acts on the selected row.
    if (watched == lv_task->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lv_taskDblClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TmainForm::Splitter1Moved() {
    const QList<int> sizes = Splitter1->sizes();
    if (sizes.at(0) > 0 && sizes.at(0) <= kSnapShutHeight)
        Splitter1->setSizes({0, sizes.at(0) + sizes.at(1)});
}

// ---- log pane ------------------------------------------------------------------------------

void TmainForm::ClearLog() {
    logModel_->Clear();
}

void TmainForm::AppendLogLines(std::vector<std::string> lines) {
    std::vector<QString> shown;
    shown.reserve(lines.size());
    for (const std::string& line : lines)
        shown.push_back(QString::fromStdString(line));
    logModel_->AppendLines(std::move(shown));
    const QModelIndex last = logModel_->index(logModel_->rowCount() - 1);
    LogsSHower->setCurrentIndex(last);
    LogsSHower->scrollTo(last);
}

// ---- closing -------------------------------------------------------------------------------

void TmainForm::closeEvent(QCloseEvent* event) {
    FormClose();
    QMainWindow::closeEvent(event);
}

void TmainForm::FormClose() {
    hourlyRequest_->Close();
    program_->Close();
    // Queued, so that a command waiting in a modal box ends that box first.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

} // namespace kolvane::ui
