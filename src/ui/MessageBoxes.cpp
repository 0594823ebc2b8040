#include "ui/MessageBoxes.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kolvane::ui {
namespace {

MessageBoxResponder& Responder() {
    static MessageBoxResponder responder;
    return responder;
}

QMessageBox::StandardButton Show(QWidget* owner, const MessageBoxRequest& request,
                                 QMessageBox::StandardButton defaultButton) {
    if (Responder())
        return Responder()(request);
    QMessageBox box(request.icon, request.caption, request.text, request.buttons, owner);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void SetMessageBoxResponder(MessageBoxResponder responder) {
    Responder() = std::move(responder);
}

bool UiMessageBoxes::Show(const program::MessageBoxRequest& request) {
    MessageBoxRequest shown{QString::fromStdString(request.caption),
                            QString::fromStdString(request.text), QMessageBox::Information,
                            QMessageBox::Ok};
    if (request.kind == program::BoxKind::DeleteQuestion) {
        shown.icon = QMessageBox::Question;
        shown.buttons = QMessageBox::Ok | QMessageBox::Cancel;
    } else if (request.kind == program::BoxKind::Error) {
        shown.icon = QMessageBox::Critical;
    }
    return ui::Show(owner_, shown, QMessageBox::Ok) == QMessageBox::Ok;
}

void ShowInfo(QWidget* owner, const QString& text) {
    UiMessageBoxes(owner).Show(program::InfoBox(text.toStdString()));
}

void ShowErrorBox(QWidget* owner, const QString& message) {
    UiMessageBoxes(owner).Show(
        program::ErrorBox(ApplicationTitle().toStdString(), message.toStdString()));
}

QString ApplicationTitle() {
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    name = name.left(name.indexOf(QLatin1Char('.')));
    return name.left(1) + name.mid(1).toLower();
}

} // namespace kolvane::ui
