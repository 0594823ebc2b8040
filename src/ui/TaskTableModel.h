#pragma once

#include "store/TaskTable.h"

#include <QAbstractTableModel>

namespace kolvane::ui {

// Shows the core's task table in lv_task: the caption column, then sub-items 0 to 7. Read-only;
// it follows the table's rebuilds and cell writes through the table's listener.
class TaskTableModel final : public QAbstractTableModel, private TaskTableListener {
    Q_OBJECT
public:
    explicit TaskTableModel(TaskTable& table, QObject* parent = nullptr);
    ~TaskTableModel() override;

    static constexpr int kColumnCount = 1 + kSubItemCount;
    static int ColumnWidth(int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void rowsAboutToBeReplaced() override;
    void rowsReplaced() override;
    void cellChanged(int row, int subItem) override;

    TaskTable& table_;
};

} // namespace kolvane::ui
