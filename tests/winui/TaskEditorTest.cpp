#include "WinUiTestKit.h"
#include "winui/ApplicationWindow.h"
#include "winui/PathPickers.h"
#include "winui/TmainForm.h"
#include "winui/TnewTaskForm.h"
#include "winui/WindowText.h"

#include <commctrl.h>
#include <memory>

namespace kolvane::testing {
namespace {

using winui::TnewTaskForm;

constexpr char kOneTask[] = "[daily]\r\ntaskName=daily\r\ntaskSource=C:\\src\r\n"
                            "taskDest=C:\\dst\r\ntaskautoChild=1\r\ntaskDD=08:30:00\r\n"
                            "useDelayM=1\r\ndelayM=5000\r\nrunCount=7\r\n";

class TaskEditorTest : public WinUiTest {
protected:
    void TearDown() override {
        form_.reset();
        WinUiTest::TearDown();
    }
    void Start(const std::string& settings) {
        WriteFile(settingsPath(), settings);
        form_ = std::make_unique<winui::TmainForm>(settingsPath(), kLocalHomePage,
                                                   std::make_shared<SettableClock>(0));
        form_->Show();
    }
    std::string settingsPath() const { return pathOf("defaultSet.ini"); }
    HWND table() const { return form_->controls().lv_task; }
    void Command(int id) { SendMessageW(form_->handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void DoubleClickTable() {
        NMHDR header{table(), 0, static_cast<UINT>(NM_DBLCLK)};
        SendMessageW(form_->handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    }
    // Opens the editor with `open` and runs `inside` in it; the dialog is the editor's.
    void InEditor(const std::function<void()>& open,
                  const std::function<void(TnewTaskForm&)>& inside) {
        WhenWindowOpens(TnewTaskForm::kClassName, [&](HWND window) {
            inside(*static_cast<TnewTaskForm*>(winui::FixedDialog::FromWindow(window)));
        });
        open();
        ASSERT_TRUE(WindowActionRan());
    }
    static void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

    std::unique_ptr<winui::TmainForm> form_;
};

TEST_F(TaskEditorTest, EachEmptyFieldIsNamedOnItsPageAndNothingIsWritten) {
    Start("");
    InEditor([&] { Command(winui::kToolButton4); },
             [&](TnewTaskForm& editor) {
                 const auto& c = editor.controls();
                 RECT client{};
                 GetClientRect(editor.handle(), &client);
                 EXPECT_EQ(client.right, 575);
                 EXPECT_EQ(client.bottom, 372);
                 EXPECT_EQ(winui::WindowTextOf(editor.handle()), "新任务");
                 EXPECT_EQ(SendMessageW(c.lbxMain, LB_GETITEMHEIGHT, 0, 0), 30);
                 EXPECT_EQ(winui::WindowTextOf(c.se_delayM), "60");

                 struct Step {
                     HWND fill; // filled before the next click
                     const char* message;
                     EditorPage page;
                     HWND focus;
                 };
                 const std::vector<Step> steps{
                     {c.le_taskname, "任务名不能为空", EditorPage::Base, c.le_taskname},
                     {c.le_Source, "源目录（文件）不能为空", EditorPage::Dir, c.le_Source},
                     {c.le_Dest, "目标目录不能为空", EditorPage::Dir, c.le_Dest},
                 };
                 // Blanks alone count as empty.
                 SetWindowTextW(c.le_taskname, L"   ");
                 SendMessageW(c.lbxMain, LB_SETCURSEL, 2, 0);
                 for (const Step& step : steps) {
                     boxes_.clear();
                     Click(c.Button1);
                     ASSERT_EQ(boxes_.size(), 1u) << step.message;
                     EXPECT_EQ(boxes_[0].text, step.message);
                     EXPECT_EQ(boxes_[0].caption, "提示");
                     EXPECT_EQ(boxes_[0].owner, editor.handle());
                     EXPECT_EQ(editor.page(), step.page);
                     EXPECT_EQ(SendMessageW(c.lbxMain, LB_GETCURSEL, 0, 0),
                               static_cast<int>(step.page));
                     EXPECT_EQ(GetFocus(), step.focus);
                     EXPECT_TRUE(IsWindowVisible(editor.handle()));
                     SetWindowTextW(step.fill, L" x ");
                 }
                 EXPECT_EQ(ReadFile(settingsPath()), "");
                 boxes_.clear();
                 Click(c.Button1);
                 EXPECT_TRUE(boxes_.empty());
             });
    ASSERT_EQ(RowCount(table()), 1);
    EXPECT_EQ(CellText(table(), 0, 1), " x ") << "written as typed";
    EXPECT_EQ(CellText(table(), 0, 4), "13:26:00");
    EXPECT_EQ(CellText(table(), 0, 8), "");
}

TEST_F(TaskEditorTest, PageListSwitchesPagesAndTheSpinBoxClamps) {
    Start("");
    InEditor([&] { Command(winui::kToolButton4); },
             [&](TnewTaskForm& editor) {
                 const auto& c = editor.controls();
                 const auto choose = [&](int entry) {
                     SendMessageW(c.lbxMain, LB_SETCURSEL, entry, 0);
                     SendMessageW(editor.handle(), WM_COMMAND,
                                  MAKEWPARAM(TnewTaskForm::kLbxMain, LBN_SELCHANGE),
                                  reinterpret_cast<LPARAM>(c.lbxMain));
                 };
                 ASSERT_EQ(SendMessageW(c.lbxMain, LB_GETCOUNT, 0, 0), 4);
                 choose(3);
                 EXPECT_EQ(editor.page(), EditorPage::Advanced);
                 EXPECT_TRUE(IsWindowVisible(c.PanelAdvanced));
                 EXPECT_FALSE(IsWindowVisible(c.PanelDD));
                 choose(2);
                 EXPECT_EQ(editor.page(), EditorPage::Schedule);
                 EXPECT_FALSE(IsWindowVisible(c.PanelAdvanced));
                 EXPECT_TRUE(IsWindowVisible(c.PanelDD));
                 EXPECT_FALSE(IsWindowVisible(c.PanelBase));
                 choose(1);
                 EXPECT_EQ(editor.page(), EditorPage::Dir);
                 EXPECT_EQ(GetFocus(), c.le_Source);
                 choose(0);
                 EXPECT_EQ(GetFocus(), c.le_taskname);

                 // Enter and Escape have no dialog-wide effect.
                 SendMessageW(editor.handle(), WM_COMMAND, IDOK, 0);
                 SendMessageW(editor.handle(), WM_COMMAND, IDCANCEL, 0);
                 EXPECT_TRUE(IsWindowVisible(editor.handle()));

                 const struct {
                     const wchar_t* typed;
                     int delta; // 0: the focus leaves
                     const char* shown;
                 } cases[] = {
                     {L"5000", 0, "1439"}, {L"abc", 0, "1"}, {L"0", 0, "1"},
                     {L"1439", 1, "1439"}, {L"1", -1, "1"},  {L"59", 1, "60"},
                 };
                 for (const auto& spin : cases) {
                     SetWindowTextW(c.se_delayM, spin.typed);
                     if (spin.delta == 0) {
                         SetFocus(c.se_delayM);
                         SetFocus(c.le_taskname);
                     } else {
                         NMUPDOWN step{};
                         step.hdr = {c.se_delayMButtons, 0, static_cast<UINT>(UDN_DELTAPOS)};
                         step.iDelta = spin.delta;
                         SendMessageW(editor.handle(), WM_NOTIFY, 0,
                                      reinterpret_cast<LPARAM>(&step));
                     }
                     EXPECT_EQ(winui::WindowTextOf(c.se_delayM), spin.shown);
                 }
                 Click(c.Button2);
             });
    EXPECT_EQ(ReadFile(settingsPath()), "") << "closing writes nothing";
}

TEST_F(TaskEditorTest, EditShowsTheRowAndARenameMovesTheTaskToTheEnd) {
    Start(std::string(kOneTask) + "[other]\r\ntaskName=other\r\ntaskSource=s\r\ntaskDest=d\r\n"
                                  "taskDD=01:00:00\r\n");
    SelectRow(table(), 0);
    InEditor([&] { DoubleClickTable(); },
             [&](TnewTaskForm& editor) {
                 const auto& c = editor.controls();
                 EXPECT_EQ(winui::WindowTextOf(editor.handle()), "daily");
                 EXPECT_EQ(winui::WindowTextOf(c.le_taskname), "daily");
                 EXPECT_EQ(winui::WindowTextOf(c.le_Source), "C:\\src");
                 EXPECT_EQ(SendMessageW(c.cbx_autochildDir, BM_GETCHECK, 0, 0), BST_CHECKED);
                 EXPECT_EQ(SendMessageW(c.cbx_delayM, BM_GETCHECK, 0, 0), BST_CHECKED);
                 EXPECT_EQ(winui::WindowTextOf(c.se_delayM), "1439");
                 SYSTEMTIME time{};
                 SendMessageW(c.DTPtime, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
                 EXPECT_EQ(time.wHour * 3600 + time.wMinute * 60 + time.wSecond,
                           8 * 3600 + 30 * 60);
                 EXPECT_EQ(GetFocus(), c.le_taskname);
                 SetWindowTextW(c.le_taskname, L"weekly");
                 Click(c.Button1);
             });
    ASSERT_EQ(RowCount(table()), 2);
    EXPECT_EQ(CellText(table(), 0, 1), "other");
    EXPECT_EQ(CellText(table(), 1, 1), "weekly");
    EXPECT_EQ(CellText(table(), 1, 7), "0") << "a renamed task loses its run count";
    EXPECT_EQ(CellText(table(), 1, 8), "1439");
    const std::string file = ReadFile(settingsPath());
    EXPECT_EQ(file.find("[daily]"), std::string::npos);
}

TEST_F(TaskEditorTest, CloneOpensAsACopyWithoutTheInterval) {
    Start(kOneTask);
    SelectRow(table(), 0);
    InEditor([&] { Command(winui::kN2); },
             [&](TnewTaskForm& editor) {
                 const auto& c = editor.controls();
                 EXPECT_EQ(winui::WindowTextOf(editor.handle()), "新任务");
                 EXPECT_EQ(winui::WindowTextOf(c.le_taskname), "daily1");
                 EXPECT_EQ(winui::WindowTextOf(c.le_Dest), "C:\\dst");
                 EXPECT_EQ(SendMessageW(c.cbx_delayM, BM_GETCHECK, 0, 0), BST_UNCHECKED);
                 EXPECT_EQ(winui::WindowTextOf(c.se_delayM), "60");
                 Click(c.Button1);
             });
    ASSERT_EQ(RowCount(table()), 2);
    EXPECT_EQ(CellText(table(), 0, 1), "daily");
    EXPECT_EQ(CellText(table(), 0, 7), "7");
    EXPECT_EQ(CellText(table(), 1, 1), "daily1");
    EXPECT_EQ(CellText(table(), 1, 4), "08:30:00");
    EXPECT_EQ(CellText(table(), 1, 8), "");
}

TEST_F(TaskEditorTest, TheTitleBarCloseButtonWritesNothingAndTheTableIsRebuilt) {
    Start(kOneTask);
    SelectRow(table(), 0);
    InEditor([&] { DoubleClickTable(); },
             [&](TnewTaskForm& editor) {
                 SetWindowTextW(editor.controls().le_taskname, L"changed");
                 SendMessageW(editor.handle(), WM_CLOSE, 0, 0);
             });
    EXPECT_EQ(CellText(table(), 0, 1), "daily");
    EXPECT_EQ(SendMessageW(table(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1)
        << "rebuilt: the selection is gone";
}

TEST_F(TaskEditorTest, ACloseFromTheTaskbarWhileTheEditorIsOpenEndsTheProgram) {
    Start(kOneTask);
    InEditor([&] { Command(winui::kToolButton4); },
             [&](TnewTaskForm& editor) {
                 SetWindowTextW(editor.controls().le_taskname, L"never saved");
                 PostMessageW(winui::ApplicationWindow::Handle(), WM_CLOSE, 0, 0);
             });
    EXPECT_TRUE(form_->program().closed());
    EXPECT_FALSE(form_->timer1().active());
    EXPECT_FALSE(IsWindowVisible(form_->handle()));
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the quit request reaches the loop outside";
    EXPECT_EQ(ReadFile(settingsPath()).find("never saved"), std::string::npos);
}

// Each option written under its key after the seven of today, shown again when the task is
// edited, and removed with its key when turned off; the options of the time-named sub-directory
// take part only while its box is ticked.
TEST_F(TaskEditorTest, AdvancedPageSavesAndReloadsEachOption) {
    Start("");
    InEditor([&] { Command(winui::kToolButton4); },
             [&](TnewTaskForm& editor) {
                 const auto& c = editor.controls();
                 SetWindowTextW(c.le_taskname, L"daily");
                 SetWindowTextW(c.le_Source, L"C:\\data");
                 SetWindowTextW(c.le_Dest, L"D:\\backup");
                 EXPECT_FALSE(IsWindowEnabled(c.cbx_linkSame));
                 EXPECT_FALSE(IsWindowEnabled(c.se_keepLast));
                 Click(c.cbx_autochildDir);
                 EXPECT_TRUE(IsWindowEnabled(c.cbx_linkSame));
                 EXPECT_TRUE(IsWindowEnabled(c.se_keepLast));
                 Click(c.cbx_skipSame);
                 Click(c.cbx_linkSame);
                 SetWindowTextW(c.se_keepLast, L"7");
                 SetWindowTextW(c.le_excludeMask, L"*.tmp;cache");
                 Click(c.cbx_catchUp);
                 Click(c.Button1);
             });
    const std::string seven = "[daily]\ntaskName=daily\ntaskSource=C:\\data\n"
                              "taskDest=D:\\backup\ntaskautoChild=1\ntaskDD=13:26:00\n"
                              "useDelayM=0\ndelayM=60\n";
    EXPECT_EQ(ReadFile(settingsPath()), seven + "skipSame=1\nlinkSame=1\nkeepLast=7\n"
                                                "excludeMask=*.tmp;cache\ncatchUp=1\n");

    SelectRow(table(), 0);
    InEditor([&] { DoubleClickTable(); },
             [&](TnewTaskForm& editor) {
                 const auto& c = editor.controls();
                 EXPECT_EQ(SendMessageW(c.cbx_skipSame, BM_GETCHECK, 0, 0), BST_CHECKED);
                 EXPECT_EQ(SendMessageW(c.cbx_linkSame, BM_GETCHECK, 0, 0), BST_CHECKED);
                 EXPECT_EQ(winui::WindowTextOf(c.se_keepLast), "7");
                 EXPECT_EQ(winui::WindowTextOf(c.le_excludeMask), "*.tmp;cache");
                 EXPECT_EQ(SendMessageW(c.cbx_catchUp, BM_GETCHECK, 0, 0), BST_CHECKED);
                 EXPECT_TRUE(IsWindowEnabled(c.se_keepLast));
                 Click(c.cbx_skipSame);
                 SetWindowTextW(c.se_keepLast, L"0");
                 SetWindowTextW(c.le_excludeMask, L"");
                 Click(c.Button1);
             });
    EXPECT_EQ(ReadFile(settingsPath()), seven + "linkSame=1\ncatchUp=1\n");
}

TEST_F(TaskEditorTest, ATaskWithNoOptionTouchedIsSavedAsToday) {
    Start("");
    InEditor([&] { Command(winui::kToolButton4); },
             [&](TnewTaskForm& editor) {
                 const auto& c = editor.controls();
                 SetWindowTextW(c.le_taskname, L"A");
                 SetWindowTextW(c.le_Source, L"C:\\s");
                 SetWindowTextW(c.le_Dest, L"C:\\d");
                 Click(c.cbx_autochildDir);
                 Click(c.Button1);
             });
    EXPECT_EQ(ReadFile(settingsPath()),
              "[A]\ntaskName=A\ntaskSource=C:\\s\ntaskDest=C:\\d\ntaskautoChild=1\n"
              "taskDD=13:26:00\nuseDelayM=0\ndelayM=60\n");
}

TEST_F(TaskEditorTest, PickersPutTheChosenPathIntoTheirEdits) {
    std::vector<program::PathRequest> requests;
    std::optional<std::string> answer;
    winui::SetPathPickerResponder([&](const program::PathRequest& request) {
        requests.push_back(request);
        return answer;
    });
    Start("");
    InEditor([&] { Command(winui::kToolButton4); },
             [&](TnewTaskForm& editor) {
                 const auto& c = editor.controls();
                 // Beside their edits, inside the page.
                 const int pageWidth = Width(WindowRectOf(c.PanelDir));
                 for (const auto& [button, edit] :
                      {std::pair{c.btn_Source, c.le_Source}, std::pair{c.btn_Dest, c.le_Dest}}) {
                     const RECT place = ClientRectIn(button, c.PanelDir);
                     const RECT field = ClientRectIn(edit, c.PanelDir);
                     EXPECT_EQ(place.top, field.top);
                     EXPECT_GE(place.left, field.right);
                     EXPECT_LE(place.right, pageWidth);
                 }
                 const auto command = [&](int id) {
                     SendMessageW(editor.handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
                 };
                 SetWindowTextW(c.le_Source, L" C:\\old ");
                 answer = "C:\\picked\\tree";
                 command(TnewTaskForm::kPickSourceDirectory);
                 EXPECT_EQ(winui::WindowTextOf(c.le_Source), "C:\\picked\\tree");
                 answer = "C:\\picked\\one.txt";
                 command(TnewTaskForm::kPickSourceFile);
                 EXPECT_EQ(winui::WindowTextOf(c.le_Source), "C:\\picked\\one.txt");
                 answer = "D:\\备份";
                 Click(c.btn_Dest);
                 EXPECT_EQ(winui::WindowTextOf(c.le_Dest), "D:\\备份");
                 answer.reset(); // cancelled
                 Click(c.btn_Dest);
                 EXPECT_EQ(winui::WindowTextOf(c.le_Dest), "D:\\备份");
                 Click(c.Button2);
             });
    winui::SetPathPickerResponder(nullptr);
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].kind, program::PathKind::Directory);
    EXPECT_EQ(requests[0].start, "C:\\old");
    EXPECT_EQ(requests[1].kind, program::PathKind::File);
    EXPECT_EQ(requests[2].kind, program::PathKind::Directory);
    EXPECT_EQ(requests[2].caption, "选择目的目录");
    EXPECT_EQ(requests[3].start, "D:\\备份");
}

} // namespace
} // namespace kolvane::testing
