#include "ui/PageListDelegate.h"

#include <QIcon>
#include <QPainter>

namespace kolvane::ui {
namespace {

constexpr int kFrameInset = 3;
constexpr int kIconLeft = 7;
constexpr int kIconSize = 16;
constexpr int kTextLeft = 42;
constexpr int kTextTop = 8;

// The cell less three pixels on the left, top and right; neighbouring frames stay 3 pixels apart.
QRect FrameRect(const QRect& cell) {
    return QRect(QPoint(cell.left() + kFrameInset, cell.top() + kFrameInset),
                 QPoint(cell.right() - kFrameInset, cell.bottom()));
}

void DrawFrame(QPainter* painter, const QRect& frame, const QColor& colour) {
    painter->setPen(QPen(colour, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(frame.adjusted(0, 0, -1, -1));
}

void DrawFocusFrame(QPainter* painter, const QRect& cell, const QColor& colour) {
    painter->setPen(QPen(colour, 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(cell.adjusted(0, 0, -1, -1));
}

} // namespace

void PageListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    painter->save();
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QRect frame = FrameRect(option.rect);
    DrawFrame(painter, frame,
              option.palette.color(selected ? QPalette::Highlight : QPalette::Base));

    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    const int iconTop = frame.top() + (kItemHeight - kIconSize) / 2;
    icon.paint(painter, QRect(frame.left() + kIconLeft, iconTop, kIconSize, kIconSize));

    painter->setFont(option.font);
    painter->setPen(Qt::black);
    const QRect textRect(frame.left() + kTextLeft, frame.top() + kTextTop,
                         option.rect.right() - frame.left() - kTextLeft,
                         option.fontMetrics.height());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      index.data(Qt::DisplayRole).toString());

    if (option.state.testFlag(QStyle::State_HasFocus))
        DrawFocusFrame(painter, option.rect, option.palette.color(QPalette::Text));
    painter->restore();
}

QSize PageListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kItemHeight);
}

} // namespace kolvane::ui
