#pragma once

#include "program/MessageBoxes.h"

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace kolvane::ui {

// What a message box showed: tests read it through the responder.
struct MessageBoxRequest {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Every message box of the program goes through here. With a responder set (tests only), no box is
// shown: the responder sees what would have been shown and gives the answer.
using MessageBoxResponder = std::function<QMessageBox::StandardButton(const MessageBoxRequest&)>;
void SetMessageBoxResponder(MessageBoxResponder responder);

// The information box: caption "提示", information icon, one OK button.
void ShowInfo(QWidget* owner, const QString& text);

// The general error box: stop icon, OK, the application title as caption.
void ShowErrorBox(QWidget* owner, const QString& message);

// The program's boxes, shown over one window.
class UiMessageBoxes final : public program::MessageBoxService {
public:
    explicit UiMessageBoxes(QWidget* owner) : owner_(owner) {}
    bool Show(const program::MessageBoxRequest& request) override;

private:
    QWidget* owner_;
};

// The executable's name without directory, cut before its first ".", every character after the
// first in lower case.
QString ApplicationTitle();

} // namespace kolvane::ui
