#include "winui/TnewTaskForm.h"

#include "program/EditorLimits.h"
#include "store/TaskTable.h"
#include "winui/CountSpinBox.h"
#include "winui/Fonts.h"
#include "winui/IntervalSpinBox.h"
#include "winui/MessageBoxes.h"
#include "winui/Panels.h"
#include "winui/PathPickers.h"
#include "winui/Pictures.h"
#include "winui/WideText.h"
#include "winui/WindowText.h"

#include <algorithm>
#include <array>
#include <commctrl.h>

namespace kolvane::winui {
namespace {

constexpr int kSplitterWidth = 3;
constexpr int kButtonBarHeight = 41;
constexpr int kEditHeight = 21;
constexpr int kLabelGap = 3;
constexpr int kCheckBoxHeight = 17;
constexpr int kMinimumPaneWidth = 30;
constexpr int kFrameInset = 3;
constexpr int kIconLeft = 7;
constexpr int kIconSize = 16;
constexpr int kTextLeft = 42;
constexpr int kTextTop = 8;

constexpr std::array<const char*, 4> kPageCaptions{"基本设置", "选择目录或文件", "调度设置",
                                                   "高级设置"};
// The picker buttons sit right of the path edits, inside the page's width.
constexpr int kPickButtonLeft = 348;
constexpr int kPickButtonWidth = 24;

constexpr DWORD kFieldStyle = WS_TABSTOP | WS_CLIPSIBLINGS;

int TextHeight(HFONT font) {
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return metrics.tmHeight;
}

bool IsChecked(HWND checkBox) {
    return SendMessageW(checkBox, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND checkBox, bool checked) {
    SendMessageW(checkBox, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int SecondOfDay(const SYSTEMTIME& time) {
    return (time.wHour * 60 + time.wMinute) * 60 + time.wSecond;
}

// A caption with a stretch of blanks that a control lies over: at least `blanks` of them, more
// where the font's blank is narrower than Tahoma's, so that `after` always starts right of the
// control (`coveredRight`) when the caption's text starts at `textLeft`.
std::wstring CaptionAround(const wchar_t* before, int blanks, const wchar_t* after, int textLeft,
                           int coveredRight) {
    std::wstring caption = before + std::wstring(static_cast<std::size_t>(blanks), L' ');
    while (textLeft + TextSize(caption, WindowFont()).cx <= coveredRight)
        caption += L' ';
    return caption + after;
}

// Where a check box's caption starts, from the box's left edge.
int CheckBoxTextOffset() {
    return GetSystemMetrics(SM_CXMENUCHECK) + GetSystemMetrics(SM_CXEDGE);
}

} // namespace

void RunTaskEditor(HWND over, const std::string& settingsPath, const EditorStart& start) {
    TnewTaskForm newTaskForm(settingsPath, start);
    newTaskForm.ShowModal(over);
}

TnewTaskForm::TnewTaskForm(const std::string& settingsPath, const EditorStart& start)
    : FixedDialog(kClassName, L"新任务", kClientWidth, kClientHeight) {
    BuildPageList();
    BuildRightPane();
    SetFontOfTree(handle(), WindowFont());
    LayoutPanes();
    FormCreate(settingsPath);
    ShowFields(start.fields);
    isEdit = start.isEdit;
    oldTaskName = start.oldTaskName;
    if (isEdit)
        SetWindowTextOf(handle(), oldTaskName);
}

// ---- building ------------------------------------------------------------------------------

void TnewTaskForm::BuildPageList() {
    controls_.PanelLeft = CreatePanel(handle(), Bevel::None);
    controls_.lbxMain = Child(L"LISTBOX", L"",
                              LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS | LBS_NOTIFY |
                                  LBS_NOINTEGRALHEIGHT | WS_TABSTOP,
                              controls_.PanelLeft, kLbxMain, 0, 0, 0, 0);
    controls_.Splitter1 = CreateVerticalSplitter(handle(), kSplitter1);
}

void TnewTaskForm::BuildRightPane() {
    controls_.PanelRigth = CreatePanel(handle(), Bevel::None);
    BuildBasePage();
    BuildDirPage();
    BuildSchedulePage();
    BuildAdvancedPage();
    controls_.PanelButton = CreatePanel(controls_.PanelRigth, Bevel::None);
    // Neither button is a default button, so Enter does nothing dialog-wide.
    controls_.Button1 = Child(L"BUTTON", L"保存", BS_PUSHBUTTON | WS_TABSTOP, controls_.PanelButton,
                              kButton1, 104, 8, 75, 25);
    controls_.Button2 = Child(L"BUTTON", L"关闭", BS_PUSHBUTTON | WS_TABSTOP, controls_.PanelButton,
                              kButton2, 224, 8, 75, 25);
}

void TnewTaskForm::BuildBasePage() {
    controls_.PanelBase = CreatePanel(controls_.PanelRigth, Bevel::None);
    controls_.le_taskname = AddLabelledEdit(controls_.PanelBase, L"任务名称：", 51, 78, 249);
}

void TnewTaskForm::BuildDirPage() {
    controls_.PanelDir = CreatePanel(controls_.PanelRigth, Bevel::None);
    controls_.le_Source = AddLabelledEdit(controls_.PanelDir, L"源目录（文件）：", 32, 59, 313);
    controls_.le_Dest = AddLabelledEdit(controls_.PanelDir, L"目的目录：", 32, 120, 313);
    controls_.cbx_autochildDir = AddCheckBox(controls_.PanelDir, L"自动创建以当前时间命名的子目录",
                                             152, 142, 193, kAutoChildDir);
    controls_.btn_Source = Child(L"BUTTON", L"…", BS_PUSHBUTTON | kFieldStyle, controls_.PanelDir,
                                 kPickSource, kPickButtonLeft, 59, kPickButtonWidth, kEditHeight);
    controls_.btn_Dest = Child(L"BUTTON", L"…", BS_PUSHBUTTON | kFieldStyle, controls_.PanelDir,
                               kPickDest, kPickButtonLeft, 120, kPickButtonWidth, kEditHeight);
}

// The time picker and the spin box lie over the blank stretches left in their captions, so that
// the lines read 每天 [time] 执行备份任务 and 每隔 [minutes] 分钟执行一次备份.
void TnewTaskForm::BuildSchedulePage() {
    const HWND page = CreatePanel(controls_.PanelRigth, Bevel::None);
    controls_.PanelDD = page;
    const std::wstring dailyCaption = CaptionAround(L"每天", 32, L"执行备份任务", 24, 51 + 89);
    const SIZE dailySize = TextSize(dailyCaption, WindowFont());
    controls_.Label1 =
        Child(L"STATIC", dailyCaption.c_str(), SS_LEFT | SS_NOPREFIX | WS_CLIPSIBLINGS, page, 0, 24,
              59, dailySize.cx, dailySize.cy);
    controls_.DTPtime = Child(DATETIMEPICK_CLASSW, L"", DTS_TIMEFORMAT | DTS_UPDOWN | kFieldStyle,
                              page, 0, 51, 56, 89, kEditHeight);
    SendMessageW(controls_.DTPtime, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH:mm:ss"));

    const std::wstring intervalCaption =
        CaptionAround(L"每隔", 23, L"分钟执行一次备份", 24 + CheckBoxTextOffset(), 70 + 61);
    const int intervalWidth =
        CheckBoxTextOffset() + static_cast<int>(TextSize(intervalCaption, WindowFont()).cx);
    controls_.cbx_delayM = AddCheckBox(page, intervalCaption, 24, 97, std::max(206, intervalWidth));
    const IntervalSpinBox spin = IntervalSpinBox::Create(page, 0, 70, 96, 61, 22);
    controls_.se_delayM = spin.edit;
    controls_.se_delayMButtons = spin.buttons;
    for (const HWND above : {controls_.DTPtime, controls_.se_delayM, controls_.se_delayMButtons})
        SetWindowPos(above, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// Linking to the previous copy and keeping the newest copies work on the time-named
// sub-directories, so their controls take part only while cbx_autochildDir is ticked.
void TnewTaskForm::BuildAdvancedPage() {
    const HWND page = CreatePanel(controls_.PanelRigth, Bevel::None);
    controls_.PanelAdvanced = page;
    controls_.cbx_skipSame =
        AddCheckBox(page, L"跳过未变的文件（大小和修改时间都相同）", 32, 36, 313);
    controls_.cbx_catchUp =
        AddCheckBox(page, L"程序启动时补做错过的备份（24 小时内）", 32, 62, 313);
    controls_.le_excludeMask =
        AddLabelledEdit(page, L"不备份的文件和目录（可用 * 和 ?，以 ; 分隔）：", 32, 118, 313);
    SendMessageW(controls_.le_excludeMask, EM_SETCUEBANNER, TRUE,
                 reinterpret_cast<LPARAM>(L"例如：*.tmp;~*"));

    controls_.TimeNamedLabel = AddLabel(page, L"以时间命名的子目录（需勾选“自动创建”）：", 32, 164);
    controls_.cbx_linkSame = AddCheckBox(page, L"未变的文件硬链接到上一次的副本", 48, 186, 297);
    controls_.KeepLastLabel = AddLabel(page, L"只保留最近", 48, 216);
    const int spinLeft = 48 + TextSize(L"只保留最近", WindowFont()).cx + 5;
    const CountSpinBox spin =
        CountSpinBox::Create(page, kKeepLast, program::kMaxKeepLast, spinLeft, 212, 61, 22);
    controls_.se_keepLast = spin.edit;
    controls_.se_keepLastButtons = spin.buttons;
    controls_.KeepLastUnitLabel = AddLabel(page, L"个（0 表示全部保留）", spinLeft + 61 + 5, 216);
}

CountSpinBox TnewTaskForm::KeepLast() const {
    return CountSpinBox{controls_.se_keepLast, controls_.se_keepLastButtons, program::kMaxKeepLast};
}

HWND TnewTaskForm::AddLabel(HWND page, const wchar_t* text, int left, int top) {
    const SIZE size = TextSize(text, WindowFont());
    return Child(L"STATIC", text, SS_LEFT | SS_NOPREFIX, page, 0, left, top, size.cx, size.cy);
}

void TnewTaskForm::EnableTimeNamedOptions() {
    const bool timeNamed = IsChecked(controls_.cbx_autochildDir);
    for (const HWND control :
         {controls_.TimeNamedLabel, controls_.cbx_linkSame, controls_.KeepLastLabel,
          controls_.se_keepLast, controls_.se_keepLastButtons, controls_.KeepLastUnitLabel})
        EnableWindow(control, timeNamed);
}

HWND TnewTaskForm::AddLabelledEdit(HWND page, const wchar_t* label, int left, int top, int width) {
    const int labelHeight = TextHeight(WindowFont());
    Child(L"STATIC", label, SS_LEFT | SS_NOPREFIX, page, 0, left, top - kLabelGap - labelHeight,
          TextSize(label, WindowFont()).cx, labelHeight);
    return Child(L"EDIT", L"", ES_AUTOHSCROLL | kFieldStyle, page, 0, left, top, width, kEditHeight,
                 WS_EX_CLIENTEDGE);
}

HWND TnewTaskForm::AddCheckBox(HWND page, const std::wstring& caption, int left, int top, int width,
                               int id) {
    return Child(L"BUTTON", caption.c_str(), BS_AUTOCHECKBOX | kFieldStyle, page, id, left, top,
                 width, kCheckBoxHeight);
}

void TnewTaskForm::FormCreate(const std::string& settingsPath) {
    for (const char* caption : kPageCaptions)
        SendMessageW(controls_.lbxMain, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(Wide(caption).c_str()));
    taskIni = std::make_unique<TIniFile>(settingsPath);
    SendMessageW(controls_.lbxMain, LB_SETCURSEL, 0, 0);
    ShowPage(EditorPage::Base);
}

void TnewTaskForm::LayoutPanes() {
    const int rightLeft = pageListWidth_ + kSplitterWidth;
    const int rightWidth = kClientWidth - rightLeft;
    const int pageHeight = kClientHeight - kButtonBarHeight;
    SetWindowPos(controls_.PanelLeft, nullptr, 0, 0, pageListWidth_, kClientHeight, SWP_NOZORDER);
    SetWindowPos(controls_.lbxMain, nullptr, 0, 0, pageListWidth_, kClientHeight, SWP_NOZORDER);
    SetWindowPos(controls_.Splitter1, nullptr, pageListWidth_, 0, kSplitterWidth, kClientHeight,
                 SWP_NOZORDER);
    SetWindowPos(controls_.PanelRigth, nullptr, rightLeft, 0, rightWidth, kClientHeight,
                 SWP_NOZORDER);
    for (const HWND page :
         {controls_.PanelBase, controls_.PanelDir, controls_.PanelDD, controls_.PanelAdvanced})
        SetWindowPos(page, nullptr, 0, 0, rightWidth, pageHeight, SWP_NOZORDER);
    SetWindowPos(controls_.PanelButton, nullptr, 0, pageHeight, rightWidth, kButtonBarHeight,
                 SWP_NOZORDER);
}

void TnewTaskForm::Splitter1Moved(int distance) {
    pageListWidth_ = std::clamp(pageListWidth_ + distance, kMinimumPaneWidth,
                                kClientWidth - kSplitterWidth - kMinimumPaneWidth);
    LayoutPanes();
}

// ---- fields --------------------------------------------------------------------------------

void TnewTaskForm::ShowFields(const TaskFields& fields) {
    SetWindowTextOf(controls_.le_taskname, fields.name);
    SetWindowTextOf(controls_.le_Source, fields.source);
    SetWindowTextOf(controls_.le_Dest, fields.dest);
    SendMessageW(controls_.cbx_autochildDir, BM_SETCHECK,
                 fields.autoChildDir ? BST_CHECKED : BST_UNCHECKED, 0);
    SYSTEMTIME time{};
    GetLocalTime(&time);
    time.wHour = static_cast<WORD>(fields.timeOfDay / 3600);
    time.wMinute = static_cast<WORD>(fields.timeOfDay / 60 % 60);
    time.wSecond = static_cast<WORD>(fields.timeOfDay % 60);
    time.wMilliseconds = 0;
    SendMessageW(controls_.DTPtime, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
    SendMessageW(controls_.cbx_delayM, BM_SETCHECK,
                 fields.useInterval ? BST_CHECKED : BST_UNCHECKED, 0);
    IntervalSpinBox{controls_.se_delayM, controls_.se_delayMButtons}.setValue(fields.interval);
    SetChecked(controls_.cbx_skipSame, fields.options.skipSame);
    SetChecked(controls_.cbx_linkSame, fields.options.linkSame);
    KeepLast().setValue(fields.options.keepLast);
    SetWindowTextOf(controls_.le_excludeMask, fields.options.excludeMask);
    SetChecked(controls_.cbx_catchUp, fields.options.catchUp);
    EnableTimeNamedOptions();
    givenFields_ = fields;
    shownFields_ = FieldsOfControls();
}

TaskFields TnewTaskForm::FieldsOfControls() const {
    TaskFields fields;
    fields.name = WindowTextOf(controls_.le_taskname);
    fields.source = WindowTextOf(controls_.le_Source);
    fields.dest = WindowTextOf(controls_.le_Dest);
    fields.autoChildDir =
        SendMessageW(controls_.cbx_autochildDir, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SYSTEMTIME time{};
    SendMessageW(controls_.DTPtime, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    fields.timeOfDay = SecondOfDay(time);
    fields.useInterval = SendMessageW(controls_.cbx_delayM, BM_GETCHECK, 0, 0) == BST_CHECKED;
    fields.interval = IntervalSpinBox{controls_.se_delayM, controls_.se_delayMButtons}.value();
    fields.options.skipSame = IsChecked(controls_.cbx_skipSame);
    fields.options.linkSame = IsChecked(controls_.cbx_linkSame);
    fields.options.keepLast = KeepLast().value();
    fields.options.excludeMask = WindowTextOf(controls_.le_excludeMask);
    fields.options.catchUp = IsChecked(controls_.cbx_catchUp);
    return fields;
}

TaskFields TnewTaskForm::EnteredFields() const {
    TaskFields fields = FieldsOfControls();
    KeepUneditedTexts(fields, givenFields_, shownFields_);
    return fields;
}

// ---- messages ------------------------------------------------------------------------------

LRESULT TnewTaskForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        Command(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return Notify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kItemHeight;
        return TRUE;
    case WM_DRAWITEM:
        lbxMainDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    case kSplitterDragEnded:
        Splitter1Moved(static_cast<int>(wParam));
        return 0;
    default:
        return FixedDialog::Handle(message, wParam, lParam);
    }
}

// IDOK and IDCANCEL, which Enter and Escape send, are not taken: neither key acts dialog-wide.
void TnewTaskForm::Command(int id, int code) {
    if (id == kButton1 && code == BN_CLICKED)
        Button1Click();
    else if (id == kButton2 && code == BN_CLICKED)
        Finish();
    else if (id == kLbxMain && code == LBN_SELCHANGE)
        lbxMainClick();
    else if (id == kPickSource && code == BN_CLICKED)
        PickSourceKind();
    else if (id == kPickSourceDirectory)
        PickInto(controls_.le_Source,
                 program::SourceDirectoryRequest(WindowTextOf(controls_.le_Source)));
    else if (id == kPickSourceFile)
        PickInto(controls_.le_Source,
                 program::SourceFileRequest(WindowTextOf(controls_.le_Source)));
    else if (id == kPickDest && code == BN_CLICKED)
        PickInto(controls_.le_Dest, program::DestinationRequest(WindowTextOf(controls_.le_Dest)));
    else if (id == kAutoChildDir && code == BN_CLICKED)
        EnableTimeNamedOptions();
    else if (id == kKeepLast && code == EN_KILLFOCUS)
        KeepLast().setValue(KeepLast().value());
}

// The source is a directory tree or a single file: a menu under the button asks which, and its
// choice comes back as a command of the dialog.
void TnewTaskForm::PickSourceKind() {
    const HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kPickSourceDirectory, L"选择目录…");
    AppendMenuW(menu, MF_STRING, kPickSourceFile, L"选择文件…");
    RECT button{};
    GetWindowRect(controls_.btn_Source, &button);
    const int chosen =
        static_cast<int>(TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD,
                                        button.left, button.bottom, 0, handle(), nullptr));
    DestroyMenu(menu);
    if (chosen != 0)
        Command(chosen, 0);
}

void TnewTaskForm::PickInto(HWND edit, const program::PathRequest& request) {
    if (const std::optional<std::string> chosen = PickPath(handle(), request)) {
        SetWindowTextOf(edit, *chosen);
        SetFocus(edit);
    }
}

LRESULT TnewTaskForm::Notify(const NMHDR& header) {
    if (header.hwndFrom == controls_.se_delayMButtons && header.code == UDN_DELTAPOS)
        return IntervalSpinBox{controls_.se_delayM, controls_.se_delayMButtons}.Step(
            reinterpret_cast<const NMUPDOWN&>(header));
    return 0;
}

void TnewTaskForm::FormShow() {
    SetFocus(controls_.le_taskname);
}

void TnewTaskForm::FormClose() {
    taskIni.reset();
}

// ---- page list -----------------------------------------------------------------------------

void TnewTaskForm::lbxMainClick() {
    const LRESULT selected = SendMessageW(controls_.lbxMain, LB_GETCURSEL, 0, 0);
    if (selected < 0)
        return;
    const LRESULT length = SendMessageW(controls_.lbxMain, LB_GETTEXTLEN, selected, 0);
    std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(controls_.lbxMain, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(caption.data()));
    caption.resize(static_cast<std::size_t>(length));
    const std::string text = Utf8(caption);
    if (text == kPageCaptions[0]) {
        ShowPage(EditorPage::Base);
        SetFocus(controls_.le_taskname);
    } else if (text == kPageCaptions[1]) {
        ShowPage(EditorPage::Dir);
        SetFocus(controls_.le_Source);
    } else if (text == kPageCaptions[2]) {
        ShowPage(EditorPage::Schedule);
    } else if (text == kPageCaptions[3]) {
        ShowPage(EditorPage::Advanced);
    }
}

// The cell is drawn anew as a whole each time, the frame, picture and caption over the list's
// own colour, so that an entry losing the selection or the focus keeps no trace of it.
void TnewTaskForm::lbxMainDrawItem(const DRAWITEMSTRUCT& item) const {
    if (item.CtlID != kLbxMain || item.itemID == static_cast<UINT>(-1))
        return;
    const HDC dc = item.hDC;
    const bool selected = item.itemState & ODS_SELECTED;
    FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_WINDOW));
    RECT frame = item.rcItem;
    frame.left += kFrameInset;
    frame.top += kFrameInset;
    frame.right -= kFrameInset;
    FrameRect(dc, &frame, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ImageList_Draw(EditorPageImages(), static_cast<int>(item.itemID), dc, frame.left + kIconLeft,
                   frame.top + (kItemHeight - kIconSize) / 2, ILD_TRANSPARENT);
    const std::wstring caption = Wide(kPageCaptions.at(item.itemID));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutW(dc, frame.left + kTextLeft, frame.top + kTextTop, caption.c_str(),
             static_cast<int>(caption.size()));
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &item.rcItem);
}

void TnewTaskForm::ShowPage(EditorPage page) {
    page_ = page;
    const std::array<HWND, 4> pages{controls_.PanelBase, controls_.PanelDir, controls_.PanelDD,
                                    controls_.PanelAdvanced};
    const HWND front = pages.at(static_cast<std::size_t>(page));
    ShowWindow(front, SW_SHOW);
    for (const HWND other : pages) {
        if (other != front)
            ShowWindow(other, SW_HIDE);
    }
}

HWND TnewTaskForm::FieldControl(EditorField field) const {
    switch (field) {
    case EditorField::TaskName:
        return controls_.le_taskname;
    case EditorField::Source:
        return controls_.le_Source;
    case EditorField::Dest:
        return controls_.le_Dest;
    }
    return controls_.le_taskname;
}

// ---- saving --------------------------------------------------------------------------------

bool TnewTaskForm::SaveTask() {
    const TaskFields fields = EnteredFields();
    if (const auto problem = CheckTaskFields(fields)) {
        ShowPage(problem->page);
        // Selected from code, which switches no page of its own.
        SendMessageW(controls_.lbxMain, LB_SETCURSEL, static_cast<WPARAM>(problem->page), 0);
        WinMessageBoxes(handle(), handle()).Show(program::InfoBox(problem->message));
        SetFocus(FieldControl(problem->field));
        return false;
    }
    // Plain calls with no message handled in between, so no scheduler tick can fall between the
    // erase of a rename and the writes that follow. A failed write leaves the dialog open and
    // reaches the general error box.
    WriteTask(*taskIni, fields, isEdit, oldTaskName);
    return true;
}

void TnewTaskForm::Button1Click() {
    if (SaveTask())
        Finish();
}

} // namespace kolvane::winui
