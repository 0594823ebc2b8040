#include "winui/JobEventPump.h"

namespace kolvane::winui {
namespace {

constexpr UINT kEventsArrived = WM_APP + 1;
constexpr UINT_PTR kBatchTimerId = 1;

} // namespace

JobEventPump::JobEventPump(BatchHandler handler)
    : handler_(std::move(handler)),
      window_([this](UINT message, WPARAM, LPARAM) { OnMessage(message); }) {
    const HWND window = window_.handle();
    // Runs on a worker thread; the queue's Close waits for it, so it never outlives the window.
    queue_ =
        std::make_shared<JobEventQueue>([window] { PostMessageW(window, kEventsArrived, 0, 0); });
}

JobEventPump::~JobEventPump() {
    Close();
}

void JobEventPump::Close() {
    queue_->Close();
    KillTimer(window_.handle(), kBatchTimerId);
    closed_ = true;
}

// UI thread: the queue wakes the pump once and then waits for a drain, so events arriving in the
// meantime join the batch.
void JobEventPump::OnMessage(UINT message) {
    if (closed_)
        return;
    if (message == kEventsArrived && !collecting_) {
        collecting_ = true;
        SetTimer(window_.handle(), kBatchTimerId, kBatchWindowMs, nullptr);
    } else if (message == WM_TIMER) {
        KillTimer(window_.handle(), kBatchTimerId);
        collecting_ = false;
        const std::vector<JobEvent> batch = queue_->Drain();
        if (!batch.empty())
            handler_(batch);
    }
}

} // namespace kolvane::winui
