#pragma once

#include <QSpinBox>

namespace kolvane::ui {

// The repeat-interval box: 1 to 1439 minutes. Typing is free while the box has the focus; when the
// focus leaves, fixup reads the text by the integer rule (no number counts as 1) and clamps it.
class IntervalSpinBox : public QSpinBox {
    Q_OBJECT
public:
    explicit IntervalSpinBox(QWidget* parent = nullptr);

    // The value the current text stands for, as leaving the box would settle it.
    int settledValue() const;

protected:
    QValidator::State validate(QString& input, int& position) const override;
    void fixup(QString& input) const override;
    int valueFromText(const QString& text) const override;
};

} // namespace kolvane::ui
