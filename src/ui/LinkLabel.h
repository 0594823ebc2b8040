#pragma once

#include <QLabel>

namespace kolvane::ui {

// A label that acts as a link: hand cursor, and clicked() when the left button is released over it.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace kolvane::ui
