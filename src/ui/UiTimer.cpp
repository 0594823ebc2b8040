#include "ui/UiTimer.h"

namespace kolvane::ui {

UiTimer::UiTimer(const QString& name, QObject* parent) : QObject(parent), timer_(new QTimer(this)) {
    timer_->setObjectName(name);
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (onTimeout_)
            onTimeout_();
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
