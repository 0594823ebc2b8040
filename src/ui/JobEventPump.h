#pragma once

#include "engine/JobEvents.h"
#include "program/FrontEnd.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

namespace kolvane::ui {

// Carries copy-job events from the workers to the UI thread, the one place where they cross.
// Workers post into the queue; its wake runs on a worker thread and only queues a call to this
// object. On the UI thread the pump lets a batch collect for a few milliseconds, then drains the
// queue and hands the whole batch to the handler at once.
class JobEventPump final : public QObject, public program::JobEventPort {
    Q_OBJECT
public:
    using BatchHandler = std::function<void(std::vector<JobEvent>& batch)>;

    static constexpr int kBatchWindowMs = 25;

    JobEventPump(BatchHandler handler, QObject* parent);
    ~JobEventPump() override;

    // What copy jobs report to.
    std::shared_ptr<JobEventSink> sink() const override { return queue_; }

    // From now on every event, pending or future, is dropped and the handler is never called.
    void Close() override;

private:
    void Wake();
    void DrainBatch();

    BatchHandler handler_;
    std::shared_ptr<JobEventQueue> queue_;
    QTimer batchTimer_;
    bool closed_ = false;
};

} // namespace kolvane::ui
