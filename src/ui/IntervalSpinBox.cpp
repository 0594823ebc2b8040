#include "ui/IntervalSpinBox.h"

#include "store/IntegerText.h"
#include "store/TaskEditing.h"

#include <QApplication>

namespace kolvane::ui {
namespace {

bool IsTypable(QChar c) {
    return c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.');
}

} // namespace

IntervalSpinBox::IntervalSpinBox(QWidget* parent) : QSpinBox(parent) {
    setRange(kMinInterval, kMaxInterval);
    setSingleStep(1);
    setValue(kDefaultInterval);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

int IntervalSpinBox::settledValue() const {
    return IntervalOfText(text().toStdString());
}

QValidator::State IntervalSpinBox::validate(QString& input, int& /*position*/) const {
    for (QChar c : input) {
        if (!IsTypable(c)) {
            QApplication::beep();
            return QValidator::Invalid;
        }
    }
    const auto value = ParseInteger(input.toStdString());
    return value && *value >= minimum() && *value <= maximum() ? QValidator::Acceptable
                                                               : QValidator::Intermediate;
}

void IntervalSpinBox::fixup(QString& input) const {
    input = QString::number(IntervalOfText(input.toStdString()));
}

int IntervalSpinBox::valueFromText(const QString& text) const {
    return IntervalOfText(text.toStdString());
}

} // namespace kolvane::ui
