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

void ShowInfo(QWidget* owner, const QString& text) {
    Show(owner, {QStringLiteral("提示"), text, QMessageBox::Information, QMessageBox::Ok},
         QMessageBox::Ok);
}

bool AskToDelete(QWidget* owner) {
    const MessageBoxRequest request{QStringLiteral("提示"), QStringLiteral("要删除数据吗？"),
                                    QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel};
    return Show(owner, request, QMessageBox::Ok) == QMessageBox::Ok;
}

void ShowErrorBox(QWidget* owner, const QString& message) {
    Show(owner, {ApplicationTitle(), ErrorBoxText(message), QMessageBox::Critical, QMessageBox::Ok},
         QMessageBox::Ok);
}

QString ErrorBoxText(const QString& message) {
    if (message.isEmpty() || message.back() <= QLatin1Char('.'))
        return message;
    return message + QLatin1Char('.');
}

QString ApplicationTitle() {
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    name = name.left(name.indexOf(QLatin1Char('.')));
    return name.left(1) + name.mid(1).toLower();
}

} // namespace kolvane::ui
