#pragma once

#include <QAbstractListModel>
#include <QString>
#include <vector>

namespace kolvane::ui {

// The lines of the log pane, held as plain strings: a job over many files adds a line per file,
// so no line carries an item object of its own.
class LogModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // One insertion for the whole batch.
    void AppendLines(std::vector<QString> lines);
    void Clear();
    const QString& line(int row) const { return lines_.at(static_cast<size_t>(row)); }

private:
    std::vector<QString> lines_;
};

} // namespace kolvane::ui
