#pragma once

#include "ui/FixedDialog.h"

class QLabel;
class QPushButton;

namespace kolvane::ui {

// Shows a fresh about box modally, centred over `over`, and returns when it has closed.
void ShowAboutBox(QWidget* over);

// The about box: product name, the home page as a link, and "知道了".
class TaboutForm : public FixedDialog {
    Q_OBJECT
public:
    explicit TaboutForm(QWidget* over = nullptr);

private:
    void Label3Click();
    void BitBtn1Click();

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* BitBtn1 = nullptr;
};

} // namespace kolvane::ui
