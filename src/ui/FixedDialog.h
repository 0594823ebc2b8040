#pragma once

#include <QDialog>

namespace kolvane::ui {

// A dialog of fixed size whose only title-bar button is the close button. It has no cancel
// button, so Escape leaves it open.
class FixedDialog : public QDialog {
    Q_OBJECT
public:
    explicit FixedDialog(QWidget* over);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace kolvane::ui
