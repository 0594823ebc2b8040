#include "ui/TaskTableModel.h"

#include "program/TaskColumns.h"

namespace kolvane::ui {

static_assert(program::kTaskColumns.size() == TaskTableModel::kColumnCount);

TaskTableModel::TaskTableModel(TaskTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    table_.setListener(this);
}

TaskTableModel::~TaskTableModel() {
    table_.setListener(nullptr);
}

int TaskTableModel::ColumnWidth(int column) {
    return program::kTaskColumns.at(column).width;
}

int TaskTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.rowCount();
}

int TaskTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TaskTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const TaskRow& row = table_.row(index.row());
    const std::string& text =
        index.column() == 0 ? row.caption : row.subItems.at(index.column() - 1);
    return QString::fromStdString(text);
}

QVariant TaskTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount)
        return {};
    return QString::fromUtf8(program::kTaskColumns.at(section).header);
}

void TaskTableModel::rowsAboutToBeReplaced() {
    beginResetModel();
}

void TaskTableModel::rowsReplaced() {
    endResetModel();
}

void TaskTableModel::cellChanged(int row, int subItem) {
    const QModelIndex cell = index(row, subItem + 1);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

} // namespace kolvane::ui
