#include "ui/TaskTableModel.h"

#include <array>

namespace kolvane::ui {
namespace {

struct ColumnLook {
    const char* header;
    int width;
};

constexpr std::array<ColumnLook, TaskTableModel::kColumnCount> kColumns{{
    {"类型", 60},
    {"任务名", 100},
    {"源目录(文件)", 150},
    {"目标目录", 150},
    {"执行时间", 100},
    {"自动创建子目录", 100},
    {"进度", 100},
    {"备份次数", 60},
    {"每隔几分钟自动执行", 100},
}};

} // namespace

TaskTableModel::TaskTableModel(TaskTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    table_.setListener(this);
}

TaskTableModel::~TaskTableModel() {
    table_.setListener(nullptr);
}

int TaskTableModel::ColumnWidth(int column) {
    return kColumns.at(column).width;
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
    return QString::fromUtf8(kColumns.at(section).header);
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
