#include "ui/KolvaneApplication.h"

#include "ui/MessageBoxes.h"

#include <exception>

namespace kolvane::ui {

KolvaneApplication::KolvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool KolvaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowErrorBox(activeWindow(), QString::fromUtf8(error.what()));
    } catch (...) {
        ShowErrorBox(activeWindow(), QStringLiteral("Unknown error"));
    }
    return true;
}

} // namespace kolvane::ui
