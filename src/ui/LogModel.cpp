#include "ui/LogModel.h"

#include <iterator>

namespace kolvane::ui {

int LogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant LogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return line(index.row());
}

void LogModel::AppendLines(std::vector<QString> lines) {
    if (lines.empty())
        return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
    lines_.insert(lines_.end(), std::make_move_iterator(lines.begin()),
                  std::make_move_iterator(lines.end()));
    endInsertRows();
}

void LogModel::Clear() {
    if (lines_.empty())
        return;
    beginResetModel();
    lines_.clear();
    lines_.shrink_to_fit();
    endResetModel();
}

} // namespace kolvane::ui
