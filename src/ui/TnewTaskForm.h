#pragma once

#include "program/PathPicks.h"
#include "store/TaskEditing.h"
#include "ui/FixedDialog.h"

#include <memory>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QStackedWidget;
class QTimeEdit;
class QToolButton;
class QWidget;

namespace kolvane {
class TIniFile;
struct TaskRow;
} // namespace kolvane

namespace kolvane::ui {

class IntervalSpinBox;

// Each opener shows the task editor modally over `over` and returns when it has closed.
// Cell texts that do not parse raise std::runtime_error before anything is shown.
void OpenNewTaskEditor(QWidget* over, const std::string& settingsPath);
void OpenEditTaskEditor(QWidget* over, const std::string& settingsPath,
                        const kolvane::TaskRow& row);
void OpenCloneTaskEditor(QWidget* over, const std::string& settingsPath,
                         const kolvane::TaskRow& row);

// The three-page task editor. It writes through a settings object of its own, which lives from
// construction until the dialog closes.
class TnewTaskForm : public FixedDialog {
    Q_OBJECT
public:
    TnewTaskForm(const std::string& settingsPath, const EditorStart& start,
                 QWidget* over = nullptr);
    ~TnewTaskForm() override;

    // Checks the fields and writes the task; false (with a message shown) when a field is empty.
    bool SaveTask();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(const std::string& settingsPath);
    void buildLayout();
    QWidget* buildPageList();
    QWidget* buildRightPane();
    QWidget* buildBasePage();
    QWidget* buildDirPage();
    QWidget* buildSchedulePage();
    QWidget* buildAdvancedPage();
    void EnableTimeNamedOptions(bool timeNamed);
    QLineEdit* addLabelledEdit(QWidget* page, const QString& objectName, const QString& label,
                               int left, int top, int width);
    // The chosen path replaces the edit's text; a cancelled dialog leaves it.
    void PickInto(QLineEdit* edit, const program::PathRequest& request);
    void showFields(const TaskFields& fields);
    // What the user entered; texts left as shown are the texts the editor was given.
    TaskFields enteredFields() const;
    TaskFields fieldsOfWidgets() const;
    void lbxMainClick();
    void showPage(EditorPage page);
    QWidget* fieldWidget(EditorField field) const;
    void Button1Click();

    std::unique_ptr<TIniFile> taskIni;
    bool isEdit = false;
    std::string oldTaskName;
    TaskFields givenFields;
    TaskFields shownFields;

    QListWidget* lbxMain = nullptr;
    QStackedWidget* pages = nullptr;
    QWidget* PanelBase = nullptr;
    QWidget* PanelDir = nullptr;
    QWidget* PanelDD = nullptr;
    QLineEdit* le_taskname = nullptr;
    QLineEdit* le_Source = nullptr;
    QLineEdit* le_Dest = nullptr;
    QToolButton* btn_Source = nullptr;
    QToolButton* btn_Dest = nullptr;
    QCheckBox* cbx_autochildDir = nullptr;
    QLabel* Label1 = nullptr;
    QTimeEdit* DTPtime = nullptr;
    QCheckBox* cbx_delayM = nullptr;
    IntervalSpinBox* se_delayM = nullptr;
    QWidget* PanelAdvanced = nullptr;
    QCheckBox* cbx_skipSame = nullptr;
    QCheckBox* cbx_catchUp = nullptr;
    QLineEdit* le_excludeMask = nullptr;
    QLabel* TimeNamedLabel = nullptr;
    QCheckBox* cbx_linkSame = nullptr;
    QLabel* KeepLastLabel = nullptr;
    QSpinBox* se_keepLast = nullptr;
    QLabel* KeepLastUnitLabel = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
};

} // namespace kolvane::ui
