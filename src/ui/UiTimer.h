#pragma once

#include "program/FrontEnd.h"

#include <QObject>
#include <QTimer>
#include <functional>

namespace kolvane::ui {

// A program timer as a precise single-shot QTimer, named so tests can find it.
class UiTimer final : public QObject, public program::TimerSource {
    Q_OBJECT
public:
    UiTimer(const QString& name, QObject* parent);

    void StartOnce(int milliseconds, std::function<void()> onTimeout) override;
    void Stop() override;

private:
    QTimer* timer_;
    std::function<void()> onTimeout_;
};

} // namespace kolvane::ui
