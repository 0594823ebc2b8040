#include "store/TaskTable.h"

#include "store/IniFile.h"
#include "store/IntegerText.h"

#include <cstdlib>

namespace kolvane {

const std::string& TaskTable::cell(int index, int subItem) const {
    return row(index).subItems.at(static_cast<std::size_t>(subItem));
}

void TaskTable::setCell(int index, int subItem, std::string text) {
    rows_.at(static_cast<std::size_t>(index)).subItems.at(static_cast<std::size_t>(subItem)) =
        std::move(text);
    if (listener_)
        listener_->cellChanged(index, subItem);
}

void TaskTable::replaceRows(std::vector<TaskRow> rows) {
    if (listener_)
        listener_->rowsAboutToBeReplaced();
    rows_ = std::move(rows);
    selected_ = -1;
    ++generation_;
    if (listener_)
        listener_->rowsReplaced();
}

void TaskTable::setSelectedIndex(int index) {
    selected_ = index >= 0 && index < rowCount() ? index : -1;
}

namespace {

// The sub-directory cell shows the magnitude; -2147483648 has none and stays negative.
std::string SubDirCellText(const std::string& stored) {
    const std::int32_t value = IntegerOr(stored, 0);
    return IntegerText(value == INT32_MIN ? value : std::abs(value));
}

TaskRow BuildRow(const IniSnapshot& file, const std::string& section) {
    TaskRow row;
    row.subItems[kNameCell] = file.GetEntry(section, "taskName", "");
    row.subItems[kSourceCell] = file.GetEntry(section, "taskSource", "");
    row.subItems[kDestCell] = file.GetEntry(section, "taskDest", "");
    row.subItems[kTimeCell] = file.GetEntry(section, "taskDD", "");
    row.subItems[kSubDirCell] = SubDirCellText(file.GetEntry(section, "taskautoChild", "0"));
    row.subItems[kRunCountCell] = IntegerText(file.GetNumber(section, "runCount", 0));
    if (file.GetFlag(section, "useDelayM", false))
        row.subItems[kIntervalCell] = IntegerText(file.GetNumber(section, "delayM", 60));
    row.options = ReadTaskOptions(file, section);
    return row;
}

} // namespace

std::vector<std::string> LoadTasks(TaskTable& table, const TIniFile& taskIni) {
    // One snapshot for the whole build: the file is parsed at most once, and a write by another
    // instance in the middle cannot mix two states of the file in one table.
    const IniSnapshot file = taskIni.Snapshot();
    std::vector<std::string> sections;
    file.ListSections(sections);
    std::vector<TaskRow> rows;
    rows.reserve(sections.size());
    for (const std::string& section : sections)
        rows.push_back(BuildRow(file, section));
    table.replaceRows(std::move(rows));
    std::vector<std::string> shadowed;
    file.ListShadowedSections(shadowed);
    return shadowed;
}

} // namespace kolvane
