#pragma once

#include "store/TaskTable.h"

#include <windows.h>

namespace kolvane::winui {

// Keeps the report list view `lv_task` showing the program's task table: every rebuild of the
// table refills it, every changed cell is written into it. UI thread only.
class TaskListView final : private TaskTableListener {
public:
    TaskListView(HWND listView, TaskTable& table);
    ~TaskListView() override;
    TaskListView(const TaskListView&) = delete;
    TaskListView& operator=(const TaskListView&) = delete;

    // The list view's selection changed: the table learns the selected row.
    void SelectionChanged();

private:
    void rowsAboutToBeReplaced() override;
    void rowsReplaced() override;
    void cellChanged(int row, int subItem) override;

    void AddColumns();
    void Fill();
    void SetText(int row, int column, const std::string& text);

    HWND listView_;
    TaskTable& table_;
    // Set while the rows are being replaced: the list view's own notifications of that are not
    // the user's selection.
    bool refilling_ = false;
};

} // namespace kolvane::winui
