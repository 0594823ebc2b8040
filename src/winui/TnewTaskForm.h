#pragma once

#include "program/PathPicks.h"
#include "store/IniFile.h"
#include "store/TaskEditing.h"
#include "winui/CountSpinBox.h"
#include "winui/FixedDialog.h"

#include <memory>
#include <string>

namespace kolvane {
struct TaskRow;
}

namespace kolvane::winui {

// The task editor: a page list on the left, three pages of fields on the right, "保存" and
// "关闭" below them. It writes the task through a settings object of its own.
class TnewTaskForm final : public FixedDialog {
public:
    static constexpr wchar_t kClassName[] = L"TnewTaskForm";
    static constexpr int kClientWidth = 575;
    static constexpr int kClientHeight = 372;
    static constexpr int kItemHeight = 30;

    enum ControlId : int {
        kButton1 = 11, // "保存"
        kButton2 = 12, // "关闭"
        kLbxMain = 13,
        kSplitter1 = 14,
        kPickSource = 15,          // "…" beside le_Source: asks which of the two below
        kPickSourceDirectory = 16, // its menu's "选择目录…"
        kPickSourceFile = 17,      // its menu's "选择文件…"
        kPickDest = 18,            // "…" beside le_Dest
        kAutoChildDir = 19,
        kKeepLast = 20,
    };

    struct Controls {
        HWND PanelLeft = nullptr;
        HWND lbxMain = nullptr;
        HWND Splitter1 = nullptr;
        HWND PanelRigth = nullptr;
        HWND PanelButton = nullptr;
        HWND Button1 = nullptr;
        HWND Button2 = nullptr;
        HWND PanelBase = nullptr;
        HWND le_taskname = nullptr;
        HWND PanelDir = nullptr;
        HWND le_Source = nullptr;
        HWND le_Dest = nullptr;
        HWND btn_Source = nullptr;
        HWND btn_Dest = nullptr;
        HWND cbx_autochildDir = nullptr;
        HWND PanelDD = nullptr;
        HWND Label1 = nullptr;
        HWND DTPtime = nullptr;
        HWND cbx_delayM = nullptr;
        HWND se_delayM = nullptr; // the edit of the spin box
        HWND se_delayMButtons = nullptr;
        HWND PanelAdvanced = nullptr;
        HWND cbx_skipSame = nullptr;
        HWND cbx_catchUp = nullptr;
        HWND le_excludeMask = nullptr;
        HWND TimeNamedLabel = nullptr;
        HWND cbx_linkSame = nullptr;
        HWND KeepLastLabel = nullptr;
        HWND se_keepLast = nullptr; // the edit of the spin box
        HWND se_keepLastButtons = nullptr;
        HWND KeepLastUnitLabel = nullptr;
    };

    TnewTaskForm(const std::string& settingsPath, const EditorStart& start);

    const Controls& controls() const { return controls_; }
    // The page in front.
    EditorPage page() const { return page_; }

private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormShow() override;
    void FormClose() override;

    void BuildPageList();
    void BuildRightPane();
    void BuildBasePage();
    void BuildDirPage();
    void BuildSchedulePage();
    void BuildAdvancedPage();
    HWND AddLabelledEdit(HWND page, const wchar_t* label, int left, int top, int width);
    HWND AddCheckBox(HWND page, const std::wstring& caption, int left, int top, int width,
                     int id = 0);
    HWND AddLabel(HWND page, const wchar_t* text, int left, int top);
    void EnableTimeNamedOptions();
    CountSpinBox KeepLast() const;
    void FormCreate(const std::string& settingsPath);
    void LayoutPanes();

    void ShowFields(const TaskFields& fields);
    TaskFields FieldsOfControls() const;
    TaskFields EnteredFields() const;

    void Command(int id, int code);
    LRESULT Notify(const NMHDR& header);
    void lbxMainClick();
    void lbxMainDrawItem(const DRAWITEMSTRUCT& item) const;
    void ShowPage(EditorPage page);
    void PickSourceKind();
    // The chosen path replaces the edit's text; a cancelled dialog leaves it.
    void PickInto(HWND edit, const program::PathRequest& request);
    HWND FieldControl(EditorField field) const;
    bool SaveTask();
    void Button1Click();
    void Splitter1Moved(int distance);

    Controls controls_;
    EditorPage page_ = EditorPage::Base;
    int pageListWidth_ = 193;
    std::unique_ptr<TIniFile> taskIni;
    bool isEdit = false;
    std::string oldTaskName;
    // What the editor was given, and what its controls showed of it.
    TaskFields givenFields_;
    TaskFields shownFields_;
};

// A fresh editor shown modally over `over`, destroyed when it closes.
void RunTaskEditor(HWND over, const std::string& settingsPath, const EditorStart& start);

} // namespace kolvane::winui
