#include "ui/TimePicker.h"

#include <QLineEdit>
#include <QMouseEvent>

namespace kolvane::ui {

TimePicker::TimePicker(QWidget* parent) : QTimeEdit(parent) {
    setDisplayFormat(QStringLiteral("HH:mm:ss"));
    // The text field, not the picker, receives the clicks.
    lineEdit()->installEventFilter(this);
}

bool TimePicker::eventFilter(QObject* watched, QEvent* event) {
    const bool handled = QTimeEdit::eventFilter(watched, event);
    // A drag that chose some text keeps its choice.
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        !lineEdit()->hasSelectedText())
        setSelectedSection(currentSection());
    return handled;
}

} // namespace kolvane::ui
