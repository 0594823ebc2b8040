#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace kolvane::ui {

// Turns SIGTERM, SIGINT and SIGHUP into a call of onSignal on the UI thread, so that the program
// can end through its close step (jobs asked to stop, their temporaries removed, exit code 0)
// instead of being cut off. The handler only writes a byte into a socket pair, which is all a
// signal handler may safely do; the notifier reads it in the event loop. One instance at a time.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    // The signals get their default actions back.
    ~TerminationSignals() override;

private:
    void Drain();

    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace kolvane::ui
