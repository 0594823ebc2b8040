#pragma once

#include <QTimeEdit>

namespace kolvane::ui {

// The time-of-day picker ("hh:nn:ss"). A click on the hour, the minute or the second selects that
// part, so digits typed next replace it; a plain time edit would only place the cursor there and
// refuse the digits, since inserting them gives no valid time.
class TimePicker : public QTimeEdit {
    Q_OBJECT
public:
    explicit TimePicker(QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kolvane::ui
