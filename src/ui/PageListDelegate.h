#pragma once

#include <QStyledItemDelegate>

namespace kolvane::ui {

// Draws the editor's page list: an inset one-pixel frame (highlight colour when selected, the
// list's fill colour otherwise), the page icon and the caption in black, nothing filled.
class PageListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kItemHeight = 30;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace kolvane::ui
