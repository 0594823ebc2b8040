#include "ui/PathPickers.h"

#include <QDir>
#include <QFileDialog>

namespace kolvane::ui {
namespace {

PathPickerResponder& Responder() {
    static PathPickerResponder responder;
    return responder;
}

} // namespace

void SetPathPickerResponder(PathPickerResponder responder) {
    Responder() = std::move(responder);
}

std::optional<std::string> PickPath(QWidget* over, const program::PathRequest& request) {
    if (Responder())
        return Responder()(request);
    const QString caption = QString::fromStdString(request.caption);
    const QString start = QString::fromStdString(request.start);
    const QString chosen = request.kind == program::PathKind::Directory
                               ? QFileDialog::getExistingDirectory(over, caption, start)
                               : QFileDialog::getOpenFileName(over, caption, start);
    if (chosen.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(chosen).toStdString();
}

} // namespace kolvane::ui
