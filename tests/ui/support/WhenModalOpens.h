#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>

namespace kolvane::testing {

// Runs `act` on the modal dialog of type Dialog as soon as it is shown, then closes the dialog if
// `act` left it open, so a failed check inside `act` cannot leave the test waiting forever. Gives
// up after five seconds without such a dialog.
template <typename Dialog, typename Act> void WhenModalOpens(Act act) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    const QDeadlineTimer deadline(5000);
    QObject::connect(poll, &QTimer::timeout, qApp, [poll, act, deadline] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog && !deadline.hasExpired())
            return;
        poll->stop();
        poll->deleteLater();
        if (!dialog)
            return;
        act(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    poll->start();
}

} // namespace kolvane::testing
