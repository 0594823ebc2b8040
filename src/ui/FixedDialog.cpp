#include "ui/FixedDialog.h"

#include "ui/ProgramResources.h"

#include <QKeyEvent>

namespace kolvane::ui {

FixedDialog::FixedDialog(QWidget* over)
    : QDialog(over, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    LoadProgramResources();
}

void FixedDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        QWidget::keyPressEvent(event);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kolvane::ui
