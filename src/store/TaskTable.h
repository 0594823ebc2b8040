#pragma once

#include "store/TaskOptions.h"

#include <array>
#include <string>
#include <vector>

namespace kolvane {

class TIniFile;

// Positions of a row's sub-items; every row has all eight.
enum SubItem : int {
    kNameCell = 0,
    kSourceCell = 1,
    kDestCell = 2,
    kTimeCell = 3,
    kSubDirCell = 4,
    kProgressCell = 5,
    kRunCountCell = 6,
    kIntervalCell = 7,
};
inline constexpr int kSubItemCount = 8;
inline constexpr const char* kTaskCaption = "文件拷贝";

struct TaskRow {
    std::string caption = kTaskCaption;
    std::array<std::string, kSubItemCount> subItems;
    // Kept beside the cells, which have no column for them; runs and the editor take them from
    // here, like every other setting of the task.
    TaskOptions options;
};

// Told of every change, on the thread that owns the table, so a view can follow it.
class TaskTableListener {
public:
    virtual ~TaskTableListener() = default;
    virtual void rowsAboutToBeReplaced() = 0;
    virtual void rowsReplaced() = 0;
    virtual void cellChanged(int row, int subItem) = 0;
};

// The in-memory model of the tasks: the rows the main window lists, read and written as text
// by the scheduler, the task run and the progress sink. Belongs to one thread.
class TaskTable {
public:
    int rowCount() const { return static_cast<int>(rows_.size()); }
    const TaskRow& row(int index) const { return rows_.at(static_cast<size_t>(index)); }
    const std::string& cell(int index, int subItem) const;
    void setCell(int index, int subItem, std::string text);

    // Replaces every row at once and drops the selection.
    void replaceRows(std::vector<TaskRow> rows);

    // -1 when no row is selected.
    int selectedIndex() const { return selected_; }
    void setSelectedIndex(int index);

    // Counts the rebuilds, so readers can tell the rows were made anew.
    unsigned generation() const { return generation_; }

    void setListener(TaskTableListener* listener) { listener_ = listener; }

private:
    std::vector<TaskRow> rows_;
    int selected_ = -1;
    unsigned generation_ = 0;
    TaskTableListener* listener_ = nullptr;
};

// Rebuilds the table from the settings file, one row per section in file order. A name
// addresses the first section of that name, so the row of a later section of the same name
// (letter case and surrounding blanks aside) shows the first one; returns the names of those
// shadowed sections as written in the file, in file order, so that the user can be told.
std::vector<std::string> LoadTasks(TaskTable& table, const TIniFile& taskIni);

} // namespace kolvane
