#include "ui/JobEventPump.h"

namespace kolvane::ui {

JobEventPump::JobEventPump(BatchHandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    // Runs on a worker thread; the queue's Close waits for it, so it never outlives the pump.
    auto wake = [this] {
        QMetaObject::invokeMethod(this, &JobEventPump::Wake, Qt::QueuedConnection);
    };
    queue_ = std::make_shared<JobEventQueue>(std::move(wake));
    batchTimer_.setSingleShot(true);
    batchTimer_.setInterval(kBatchWindowMs);
    connect(&batchTimer_, &QTimer::timeout, this, &JobEventPump::DrainBatch);
}

JobEventPump::~JobEventPump() {
    Close();
}

void JobEventPump::Close() {
    queue_->Close();
    batchTimer_.stop();
    closed_ = true;
}

// UI thread: the queue wakes the pump once and then waits for a drain, so events arriving in
// the meantime join the batch.
void JobEventPump::Wake() {
    if (!closed_ && !batchTimer_.isActive())
        batchTimer_.start();
}

void JobEventPump::DrainBatch() {
    if (closed_)
        return;
    std::vector<JobEvent> batch = queue_->Drain();
    if (!batch.empty())
        handler_(batch);
}

} // namespace kolvane::ui
