#include "ui/UiTimer.h"

namespace kolvane::ui {

UiTimer::UiTimer(const QString& name, QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
    timer_->setObjectName(name);
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, [this] {
        // The handler may start the timer again, replacing itself: it runs from a copy.
        if (const std::function<void()> onTimeout = onTimeout_)
            onTimeout();
    });
}

void UiTimer::StartOnce(int milliseconds, std::function<void()> onTimeout) {
    onTimeout_ = std::move(onTimeout);
    timer_->start(milliseconds);
}

void UiTimer::Stop() {
    timer_->stop();
}

} // namespace kolvane::ui
